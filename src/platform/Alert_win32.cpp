#include <windows.h>

#include <string>

namespace platform {

void ShowSystemAlert(const std::wstring& text, const std::wstring& caption) {
    MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK);
}

}  // namespace platform
