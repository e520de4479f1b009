#pragma once
// File-system calls of the portable code. Paths are wide strings separated
// by backslashes in both builds, as on Windows; the native build turns each
// backslash into a slash (and the text into UTF-8) when it calls the OS.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace platform {

constexpr wchar_t kPathSeparator = L'\\';
constexpr size_t kMaxPath = 260;  // MAX_PATH, terminator included

enum class FsError { None, AlreadyExists, NotFound, AccessDenied, Other };

// fopen with a wide path (_wfopen on Windows).
FILE* OpenFile(const std::wstring& path, const char* mode);
// A new file for writing that only its owner may read (native: mode 0600;
// Windows: the folder's inherited access, as any new file). Null when the
// path exists already or cannot be made.
FILE* CreateOwnerOnlyFile(const std::wstring& path);
// fopen with a path in the ANSI code page (the native build converts it).
FILE* OpenFileAnsi(const std::string& ansiPath, const char* mode);

bool PathExists(const std::wstring& path);
bool IsDirectory(const std::wstring& path);
// The attribute bits both builds report (Windows' FILE_ATTRIBUTE_* values).
inline constexpr uint32_t kAttributeReadOnly = 0x1;
inline constexpr uint32_t kAttributeSystem = 0x4;
inline constexpr uint32_t kAttributeDirectory = 0x10;

// Windows file attributes of the path (FILE_ATTRIBUTE_*); false when they
// cannot be read. The native build reports read-only and directory.
bool GetAttributes(const std::wstring& path, uint32_t* attributes);
bool FileSize(const std::wstring& path, uint64_t* size);
// Sets or clears the read-only attribute (the write permission bits natively).
bool SetReadOnly(const std::wstring& path, bool readOnly);

bool MakeDirectory(const std::wstring& path, FsError* error = nullptr);
bool RemoveEmptyDirectory(const std::wstring& path);
bool RemoveFile(const std::wstring& path);
// Deletes a file or a whole folder tree; true when nothing is left.
bool RemoveTree(const std::wstring& path);

std::wstring CurrentDirectory();
bool SetCurrentDirectory(const std::wstring& path);
// Absolute form of a path (GetFullPathNameW); false on failure.
bool FullPath(const std::wstring& path, std::wstring* absolute);
// The system's folder for temporary files, without a trailing separator.
std::wstring TempDirectory();

struct DirEntry {
    std::wstring name;
    bool isDirectory = false;
    bool isHidden = false;
};
// Entries of `dir` whose names match `pattern` ("*.*", "*.zip"; Windows
// wildcard rules: "*.*" matches every name), in the order the file system
// returns them. "." and ".." are included when the system reports them.
// False when the folder cannot be searched.
bool ListDirectory(const std::wstring& dir, const std::wstring& pattern, std::vector<DirEntry>* entries);

// Bytes free for the caller on the volume holding `path`.
bool FreeBytes(const std::wstring& path, uint64_t* bytes);

// Sets creation and last-write time of an existing file from a local
// calendar time (seconds resolution); false when the time is no valid date
// or the file cannot be opened.
struct LocalTime {
    int year, month, day, hour, minute, second;  // month 1..12
};
bool SetFileLocalTime(const std::wstring& path, const LocalTime& time);
// The same on a file open for writing: its buffered bytes are flushed
// first, so nothing written before the call changes the times afterwards.
// Saves opening the file again by its path.
bool SetOpenFileLocalTime(FILE* file, const LocalTime& time);
bool GetFileLocalTime(const std::wstring& path, LocalTime* time);  // last-write time

}  // namespace platform
