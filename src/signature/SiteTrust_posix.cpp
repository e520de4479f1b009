#include "signature/SiteTrust.h"

#include "platform/Environment.h"

std::vector<std::wstring> SiteTrustFiles() {
    std::wstring file;
    if (!platform::ReadEnvironment(kTrustFileVariable, &file) || file.empty()) file = kNativeTrustFile;
    return {file};
}

std::wstring SiteTrustFilesText() {
    return std::wstring(kNativeTrustFile) + L" (or the file " + kTrustFileVariable + L" names)";
}
