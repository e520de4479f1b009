#include "signature/SignatureFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/NativePath_posix.h"

namespace {

bool WriteAllTo(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        done += static_cast<size_t>(wrote);
    }
    return true;
}

bool Finish(int fd, const std::string& path, const std::string& text) {
    const bool written = WriteAllTo(fd, text);
    if (::close(fd) != 0 || !written) {
        ::unlink(path.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool ReadSmallFile(const std::wstring& path, std::string* text, std::string* problem, size_t limit) {
    text->clear();
    // Without O_NONBLOCK opening a FIFO waits for a writer.
    const int fd = ::open(platform::NativePath(path).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return *problem = "cannot be read", false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return *problem = "is not a regular file", false;
    }
    text->resize(limit + 1);
    size_t total = 0;
    bool failed = false;
    while (total < text->size()) {
        const ssize_t got = ::read(fd, &(*text)[total], text->size() - total);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) failed = true;
        if (got <= 0) break;
        total += static_cast<size_t>(got);
    }
    ::close(fd);
    if (failed || total > limit) {
        WipeSecret(text);
        *problem = failed ? "cannot be read" : "is longer than " + std::to_string(limit) + " bytes";
        return false;
    }
    text->resize(total);  // shrinking keeps the buffer where it is
    return true;
}

bool WriteNewFile(const std::wstring& path, const std::string& text, bool ownerOnly) {
    const std::string native = platform::NativePath(path);
    // O_EXCL with O_CREAT never follows a link, not even a dangling one.
    const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, ownerOnly ? 0600 : 0644);
    if (fd < 0) return false;
    return Finish(fd, native, text);
}

bool OverwriteSmallFile(const std::wstring& path, const std::string& text) {
    const std::string native = platform::NativePath(path);
    const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::ftruncate(fd, 0) != 0) {
        ::close(fd);
        return false;
    }
    const bool written = WriteAllTo(fd, text);
    return ::close(fd) == 0 && written;
}

bool OthersMayRead(const std::wstring& path, std::string* who) {
    struct stat st;
    if (::stat(platform::NativePath(path).c_str(), &st) != 0) return false;
    if ((st.st_mode & (S_IRGRP | S_IROTH)) == 0) return false;
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    *who = std::string("its group or other users (mode ") + mode + ")";
    return true;
}
