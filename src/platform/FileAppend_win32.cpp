#include <windows.h>

#include "platform/FileAppend.h"

namespace platform {

bool AppendToFile(const std::wstring& path, const std::string& bytes) {
    if (path.empty() || bytes.size() > MAXDWORD) return false;
    // Append access only: every write goes to the end of the file, whoever
    // else writes. Others may read, append, rename or delete meanwhile.
    HANDLE h = CreateFileW(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = GetFileType(h) == FILE_TYPE_DISK;
    if (ok && !bytes.empty()) {
        DWORD written = 0;
        ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
             written == bytes.size();
    }
    return CloseHandle(h) && ok;
}

bool RenameReplacing(const std::wstring& from, const std::wstring& to) {
    return !from.empty() && !to.empty() && MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

}  // namespace platform
