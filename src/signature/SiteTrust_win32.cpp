#include "signature/SiteTrust.h"

#include <windows.h>

namespace {
std::wstring ProgramFolder() {
    std::wstring path(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    path.resize(n < path.size() ? n : 0);
    const size_t cut = path.find_last_of(L'\\');
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}
}  // namespace

std::vector<std::wstring> SiteTrustFiles() { return TrustFilesBesideProgram(ProgramFolder()); }

std::wstring SiteTrustFilesText() {
    return std::wstring(kTrustFileName) + L" beside this program, and beside Quillon.exe one folder up (the release "
                                          L"zip's cli\\ folder)";
}
