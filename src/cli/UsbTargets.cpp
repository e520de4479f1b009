#include "cli/UsbTargets.h"

#include "platform/CanonicalPath.h"
#include "platform/File.h"

UsbTarget ResolveUsbTarget(const std::wstring& given, const std::wstring& origin) {
    UsbTarget t;
    t.origin = origin;
    if (!platform::FullPath(given, &t.path)) t.path = given;
    if (t.path.empty() || (t.path.back() != L'\\' && t.path.back() != L'/')) t.path += platform::kPathSeparator;
    if (!platform::CanonicalPath(given, &t.canonical)) t.canonical = t.path;
    return t;
}

std::wstring FindDiskGivenTwice(const std::vector<UsbTarget>& targets) {
    for (size_t i = 0; i < targets.size(); ++i) {
        for (size_t k = 0; k < i; ++k) {
            const UsbTarget &a = targets[k], &b = targets[i];
            const bool samePlace = a.canonical == b.canonical;
            const bool sameDisk = !a.identity.empty() && a.identity == b.identity;
            if (!samePlace && !sameDisk) continue;
            return L"one disk is given twice (" + a.origin + L", " + b.origin + L"): " +
                   (samePlace ? a.canonical : L"both are " + a.identity);
        }
    }
    return std::wstring();
}
