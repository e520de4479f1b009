#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <ctime>

#include "platform/Environment.h"
#include "platform/Text.h"

namespace platform {

namespace {
std::wstring FromNative(const std::string& path) {
    std::wstring w = Utf8ToWide(path);
    for (wchar_t& c : w)
        if (c == L'/') c = L'\\';
    while (w.size() > 1 && w.back() == L'\\') w.pop_back();
    return w;
}
}  // namespace

bool ReadEnvironment(const std::wstring& name, std::wstring* value) {
    const char* v = std::getenv(WideToUtf8(name).c_str());
    if (!v) return false;
    *value = Utf8ToWide(v);
    return true;
}

bool WriteEnvironment(const std::wstring& name, const std::wstring* value) {
    std::string n = WideToUtf8(name);
    if (!value) return ::unsetenv(n.c_str()) == 0;
    return ::setenv(n.c_str(), WideToUtf8(*value).c_str(), 1) == 0;
}

std::wstring UserStateFolder() {
    // The XDG base directory rules: a relative XDG_STATE_HOME is ignored.
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/') return FromNative(state);
    const char* home = std::getenv("HOME");
    std::string h = home && home[0] == '/' ? home : "";
    if (h.empty()) {
        if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/') h = pw->pw_dir;
    }
    if (h.empty()) return {};
    while (h.size() > 1 && h.back() == '/') h.pop_back();
    return FromNative((h == "/" ? std::string() : h) + "/.local/state");
}

std::wstring MachineName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    return Utf8ToWide(name);
}

std::string UtcTimeText() { return UtcTimeText(static_cast<int64_t>(std::time(nullptr))); }

}  // namespace platform
