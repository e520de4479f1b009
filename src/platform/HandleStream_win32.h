#pragma once
// A C stream over a Win32 file handle, for files opened with CreateFileW
// options that _wfopen cannot ask for.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

namespace platform {

// A "wb" stream that owns `h` from here on; null (and `h` closed) when no
// stream can be made. `h` may be INVALID_HANDLE_VALUE: then null.
inline FILE* WriteStreamOver(HANDLE h) {
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(h);
        return nullptr;
    }
    FILE* f = _fdopen(fd, "wb");
    if (!f) _close(fd);
    return f;
}

}  // namespace platform
