#include "platform/DeviceFile.h"

#include <windows.h>

namespace platform {

namespace {
struct Handle {
    HANDLE h;
    ~Handle() {
        if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    }
};
}  // namespace

bool FlushToDevice(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // FlushFileBuffers wants write access; backup semantics open folders too.
    Handle f{::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
    if (f.h != INVALID_HANDLE_VALUE && ::FlushFileBuffers(f.h)) return true;
    // Not every file system flushes a folder on its own. FAT writes a
    // file's folder entry with the file's own flush, and Windows writes
    // removable disks through by default (quick removal), so a folder that
    // cannot be flushed by itself counts as flushed; a file never does.
    return folder;
}

bool ReadFromDevice(const std::wstring& path, const std::function<void(const void*, size_t)>& sink) {
    Handle f{::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN, nullptr)};
    if (f.h == INVALID_HANDLE_VALUE) return false;
    // Unbuffered reads want a sector-aligned buffer and length: a page-aligned
    // block of 1 MiB suits every sector size; the last read may come short.
    constexpr DWORD kBlock = 1u << 20;
    void* block = ::VirtualAlloc(nullptr, kBlock, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!block) return false;
    bool ok = true;
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(f.h, block, kBlock, &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0) break;
        sink(block, got);
    }
    ::VirtualFree(block, 0, MEM_RELEASE);
    return ok;
}

bool FileHold::Hold(const std::wstring& path) {
    Release();
    // Others may read it as well, never write, rename or delete it.
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    m_handle = h;
    return true;
}

void FileHold::Release() {
    if (m_handle) ::CloseHandle(static_cast<HANDLE>(m_handle));
    m_handle = nullptr;
}

}  // namespace platform
