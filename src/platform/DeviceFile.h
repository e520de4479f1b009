#pragma once
// What a copy onto a removable disk needs beyond stdio: its bytes forced
// out to the device, read back from the device itself rather than from the
// system's cache, and a private file that nobody else may change while it
// is being used.
#include <cstddef>
#include <functional>
#include <string>

namespace platform {

// Writes what the system still holds of a file, or of a folder's entries
// (a new or removed name), to the device. Windows: FlushFileBuffers (on a
// folder opened with backup semantics); natively fsync. False when the
// device did not confirm it.
bool FlushToDevice(const std::wstring& path);

// Reads a file from its device, past the system's cache (Windows:
// unbuffered, sector-aligned reads; natively the file's cached pages are
// dropped first, which works once it has been flushed), handing every
// block to `sink`. False when it cannot be read to its end.
bool ReadFromDevice(const std::wstring& path, const std::function<void(const void*, size_t)>& sink);

// Keeps a file from being changed, renamed or deleted by anyone else while
// the object lives (Windows: held open without write or delete sharing;
// natively the file is only its owner's already, so nothing more is done).
class FileHold {
public:
    FileHold() = default;
    ~FileHold() { Release(); }
    FileHold(const FileHold&) = delete;
    FileHold& operator=(const FileHold&) = delete;

    bool Hold(const std::wstring& path);
    void Release();

private:
    void* m_handle = nullptr;
};

}  // namespace platform
