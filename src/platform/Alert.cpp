#include "platform/Alert.h"

#include <mutex>

namespace platform {

void ShowSystemAlert(const std::wstring& text, const std::wstring& caption);  // per OS

namespace {
std::mutex g_hookLock;
AlertHook g_hook;
}  // namespace

void ShowAlert(const std::wstring& text, const std::wstring& caption) {
    AlertHook hook;
    {
        std::lock_guard<std::mutex> lock(g_hookLock);
        hook = g_hook;
    }
    if (hook)
        hook(text, caption);
    else
        ShowSystemAlert(text, caption);
}

AlertHook SetAlertHook(AlertHook hook) {
    std::lock_guard<std::mutex> lock(g_hookLock);
    AlertHook previous = std::move(g_hook);
    g_hook = std::move(hook);
    return previous;
}

}  // namespace platform
