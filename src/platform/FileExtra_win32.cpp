#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <climits>

#include "platform/FileExtra.h"
#include "platform/HandleStream_win32.h"

namespace platform {

int SeekFile64(FILE* file, int64_t offset, int origin) { return _fseeki64(file, offset, origin); }

int64_t TellFile64(FILE* file) { return _ftelli64(file); }

int64_t ReadFileAt(FILE* file, uint64_t offset, void* buffer, size_t size) {
    HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    if (h == INVALID_HANDLE_VALUE) return -1;
    size_t got = 0;
    while (got < size) {
        const uint64_t at = offset + got;
        OVERLAPPED where{};
        where.Offset = static_cast<DWORD>(at);
        where.OffsetHigh = static_cast<DWORD>(at >> 32);
        const DWORD ask = static_cast<DWORD>(size - got < 0x40000000u ? size - got : 0x40000000u);
        DWORD n = 0;
        if (!ReadFile(h, static_cast<char*>(buffer) + got, ask, &n, &where))
            return GetLastError() == ERROR_HANDLE_EOF ? static_cast<int64_t>(got) : -1;
        if (n == 0) break;
        got += n;
    }
    return static_cast<int64_t>(got);
}

FILE* CreateNewFile(const std::wstring& path, FsError* error) {
    // The sharing _wfopen grants; CREATE_NEW never opens an existing file.
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD e = GetLastError();
        *error = e == ERROR_FILE_EXISTS || e == ERROR_ALREADY_EXISTS ? FsError::AlreadyExists : FsError::Other;
        return nullptr;
    }
    FILE* f = WriteStreamOver(h);
    *error = f ? FsError::None : FsError::Other;
    return f;
}

bool IsReadOnly(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY);
}

}  // namespace platform
