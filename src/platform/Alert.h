#pragma once
// Blocking message box for the portable code: a real MessageBoxW (no owner,
// OK only) on Windows, a line on standard error in the native build. Tests
// install a hook that records the boxes instead of showing them.
#include <functional>
#include <string>

namespace platform {

using AlertHook = std::function<void(const std::wstring& text, const std::wstring& caption)>;

void ShowAlert(const std::wstring& text, const std::wstring& caption);

// Replaces the real box; an empty hook restores it. Returns the previous hook.
AlertHook SetAlertHook(AlertHook hook);

}  // namespace platform
