#include "platform/CanonicalPath.h"

#include <windows.h>

#include <vector>

#include "platform/File.h"

namespace platform {

namespace {
std::wstring FinalPath(const std::wstring& path) {
    // Backup semantics open folders too; nothing is read or written.
    HANDLE h = ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::wstring();
    std::vector<wchar_t> buffer(1024);
    DWORD n = ::GetFinalPathNameByHandleW(h, buffer.data(), static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED);
    if (n >= buffer.size()) {
        buffer.resize(n + 1);
        n = ::GetFinalPathNameByHandleW(h, buffer.data(), static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED);
    }
    ::CloseHandle(h);
    if (n == 0 || n >= buffer.size()) return std::wstring();
    std::wstring result(buffer.data(), n);
    if (result.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\\\" + result.substr(8);
    if (result.compare(0, 4, L"\\\\?\\") == 0) return result.substr(4);
    return result;
}
}  // namespace

bool CanonicalPath(const std::wstring& path, std::wstring* canonical) {
    std::wstring result = FinalPath(path);
    if (result.empty() && !FullPath(path, &result)) return false;
    for (wchar_t& c : result)
        if (c == L'/') c = kPathSeparator;
    // "E:\" keeps its separator; "E:\disk\" loses it.
    while (result.size() > 3 && result.back() == kPathSeparator) result.pop_back();
    if (!result.empty()) ::CharUpperBuffW(&result[0], static_cast<DWORD>(result.size()));
    *canonical = result;
    return true;
}

}  // namespace platform
