#include <windows.h>
#include <shlobj.h>

#include <cstdio>

#include "platform/Environment.h"

namespace platform {

namespace {
std::wstring WithoutTrailingSeparator(std::wstring path) {
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    return path;
}
}  // namespace

bool ReadEnvironment(const std::wstring& name, std::wstring* value) {
    SetLastError(ERROR_SUCCESS);
    DWORD n = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (n == 0) {
        if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
        value->clear();  // set, but empty
        return true;
    }
    std::wstring s(n, L'\0');
    DWORD got = GetEnvironmentVariableW(name.c_str(), s.data(), n);
    if (got >= n) return false;  // changed between the two calls
    s.resize(got);
    *value = s;
    return true;
}

bool WriteEnvironment(const std::wstring& name, const std::wstring* value) {
    return SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr) != 0;
}

std::wstring UserStateFolder() {
    wchar_t path[MAX_PATH];
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)) && path[0])
        return WithoutTrailingSeparator(path);
    std::wstring env;
    if (ReadEnvironment(L"LOCALAPPDATA", &env) && !env.empty()) return WithoutTrailingSeparator(env);
    return {};
}

std::wstring MachineName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD n = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &n)) return {};
    return std::wstring(name, n);
}

std::string UtcTimeText() {
    SYSTEMTIME st;
    GetSystemTime(&st);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", st.wYear, st.wMonth, st.wDay, st.wHour,
                  st.wMinute, st.wSecond);
    return text;
}

}  // namespace platform
