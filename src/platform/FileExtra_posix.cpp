#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FileExtra.h"
#include "platform/NativePath_posix.h"

namespace platform {

int SeekFile64(FILE* file, int64_t offset, int origin) { return ::fseeko(file, static_cast<off_t>(offset), origin); }

int64_t TellFile64(FILE* file) { return static_cast<int64_t>(::ftello(file)); }

int64_t ReadFileAt(FILE* file, uint64_t offset, void* buffer, size_t size) {
    const int fd = ::fileno(file);
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, static_cast<char*>(buffer) + got, size - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(got);
}

FILE* CreateNewFile(const std::wstring& path, FsError* error) {
    const int fd = path.empty() ? -1 : ::open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        *error = errno == EEXIST ? FsError::AlreadyExists : FsError::Other;
        return nullptr;
    }
    FILE* f = ::fdopen(fd, "wb");
    if (!f) ::close(fd);
    *error = f ? FsError::None : FsError::Other;
    return f;
}

bool IsReadOnly(const std::wstring& path) {
    struct stat st;
    return !path.empty() && ::stat(NativePath(path).c_str(), &st) == 0 && (st.st_mode & 0222) == 0;
}

}  // namespace platform
