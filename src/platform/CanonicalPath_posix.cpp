#include "platform/CanonicalPath.h"

#include <climits>
#include <cstdlib>
#include <memory>

#include "platform/File.h"
#include "platform/NativePath_posix.h"
#include "platform/Text.h"

namespace platform {

bool CanonicalPath(const std::wstring& path, std::wstring* canonical) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(NativePath(path).c_str(), nullptr), &std::free);
    std::wstring result;
    if (resolved) {
        result = Utf8ToWide(resolved.get());
    } else if (!FullPath(path, &result)) {
        return false;
    }
    for (wchar_t& c : result)
        if (c == L'/') c = kPathSeparator;
    while (result.size() > 1 && result.back() == kPathSeparator) result.pop_back();
    *canonical = result;
    return true;
}

}  // namespace platform
