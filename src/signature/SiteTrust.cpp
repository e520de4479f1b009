#include "signature/SiteTrust.h"

#include "platform/File.h"
#include "platform/Text.h"

std::vector<std::wstring> TrustFilesBesideProgram(const std::wstring& programFolder) {
    std::vector<std::wstring> files{programFolder + L"\\" + kTrustFileName};
    const size_t cut = programFolder.find_last_of(L"\\/");
    if (cut != std::wstring::npos && cut > 0) {
        const std::wstring up = programFolder.substr(0, cut);
        if (platform::PathExists(up + L"\\Quillon.exe") && !platform::IsDirectory(up + L"\\Quillon.exe"))
            files.push_back(up + L"\\" + kTrustFileName);
    }
    return files;
}

TrustedKeys ReadSiteTrust(const std::vector<std::wstring>& files) {
    TrustedKeys site;
    for (const std::wstring& file : files) {
        TrustedKeys one = ReadTrustFile(file);
        if (one.Broken()) {
            one.problem = platform::WideToUtf8(file) + ": " + one.problem;
            return one;
        }
        site.keys.insert(site.keys.end(), one.keys.begin(), one.keys.end());
    }
    return site;
}
