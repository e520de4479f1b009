#include "platform/DeviceFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <memory>

#include "platform/NativePath_posix.h"

namespace platform {

namespace {
struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};
}  // namespace

bool FlushToDevice(const std::wstring& path) {
    // A folder opens read-only, which is all fsync needs.
    Fd f{::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC)};
    return f.fd >= 0 && ::fsync(f.fd) == 0;
}

bool ReadFromDevice(const std::wstring& path, const std::function<void(const void*, size_t)>& sink) {
    Fd f{::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC)};
    if (f.fd < 0) return false;
    // Clean pages go at once: after the flush every page is clean, so what
    // follows is read from the device.
    ::posix_fadvise(f.fd, 0, 0, POSIX_FADV_DONTNEED);
    constexpr size_t kBlock = 1u << 20;
    std::unique_ptr<char[]> block(new char[kBlock]);
    for (;;) {
        const ssize_t got = ::read(f.fd, block.get(), kBlock);
        if (got < 0) return false;
        if (got == 0) return true;
        sink(block.get(), static_cast<size_t>(got));
    }
}

bool FileHold::Hold(const std::wstring& path) {
    Release();
    return ::access(NativePath(path).c_str(), R_OK) == 0;
}

void FileHold::Release() { m_handle = nullptr; }

}  // namespace platform
