#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/FileAppend.h"
#include "platform/NativePath_posix.h"
#include "platform/Text.h"

namespace platform {

bool AppendToFile(const std::wstring& path, const std::string& bytes) {
    if (path.empty()) return false;
    const std::string native = NativePath(path);
    struct stat st;
    // Only a regular file (or none yet) is opened: opening a device or a
    // FIFO may do things of its own.
    if (::stat(native.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return false;
    int fd = ::open(native.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    if (fd < 0) return false;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);  // no device, FIFO or socket
    if (ok && !bytes.empty()) {
        ssize_t n;
        do {
            n = ::write(fd, bytes.data(), bytes.size());
        } while (n < 0 && errno == EINTR);
        ok = n == static_cast<ssize_t>(bytes.size());
        if (n > 0 && !ok) {
            // Part of the bytes landed: take them back if they are still last.
            off_t end = ::lseek(fd, 0, SEEK_CUR);
            if (end >= n && ::fstat(fd, &st) == 0 && st.st_size == end) (void)::ftruncate(fd, end - n);
        }
    }
    return ::close(fd) == 0 && ok;
}

bool RenameReplacing(const std::wstring& from, const std::wstring& to) {
    return !from.empty() && !to.empty() && std::rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0;
}

}  // namespace platform
