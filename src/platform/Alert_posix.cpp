#include <cstdio>
#include <string>

#include "platform/Text.h"

namespace platform {

void ShowSystemAlert(const std::wstring& text, const std::wstring& caption) {
    std::fprintf(stderr, "%s: %s\n", WideToUtf8(caption).c_str(), WideToUtf8(text).c_str());
}

}  // namespace platform
