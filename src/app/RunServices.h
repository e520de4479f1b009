#pragma once
// The file operations the upgrade run uses, and (from the device layer)
// its connections: the Windows program plugs in the shell's file
// operations; tests plug in their own.
#include <cstdint>
#include <string>

#include "device/Connections.h"
#include "platform/File.h"

// File operations of the run. The default implementation uses the platform
// layer; the Windows program replaces delete and copy by the shell's file
// operations, and tests replace the free-space query.
class RunFileSystem {
public:
    virtual ~RunFileSystem() = default;
    virtual bool PathExists(const std::wstring& path);
    // True when the path does not exist afterwards.
    virtual bool DeletePath(const std::wstring& path);
    // Copies `file` to the file path `target` (replacing a file there). On
    // failure part of the copy may be left; the run deletes it.
    virtual bool CopyFileTo(const std::wstring& file, const std::wstring& target);
    virtual bool GetAttributes(const std::wstring& path, uint32_t* attributes);
    virtual bool MakeDirectory(const std::wstring& path, platform::FsError* error);
    virtual bool RemoveEmptyDirectory(const std::wstring& path);
    virtual bool FreeBytes(const std::wstring& path, uint64_t* bytes);
    virtual bool FileSize(const std::wstring& path, uint64_t* size);
    // Creates (or empties) a file and writes `content` into it.
    virtual bool WriteFile(const std::wstring& path, const std::string& content);
    // Forces a file, or a folder's entries, out to its device; false when
    // the device did not confirm it. A delivery flushes the old flag's
    // removal, the pack and the new flag, each before the next step.
    virtual bool FlushToDevice(const std::wstring& path);
    // MD5 (hex) of a file as it lies on its disk, read past the system's
    // cache (after a flush), so a copy is checked as the terminal will read
    // it. False when the file cannot be read whole.
    virtual bool ReadBackMD5(const std::wstring& path, std::string* hex);
    // MD5 (hex) of a local file; false when it cannot be read whole.
    virtual bool FileMD5(const std::wstring& path, std::string* hex);
};
