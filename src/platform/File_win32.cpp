#include "platform/File.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/HandleStream_win32.h"
#include "platform/Text.h"

namespace platform {

FILE* OpenFile(const std::wstring& path, const char* mode) {
    std::wstring wmode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(path.c_str(), wmode.c_str());
}

FILE* CreateOwnerOnlyFile(const std::wstring& path) {
    // CREATE_NEW: an existing file is never opened, as O_EXCL natively.
    return WriteStreamOver(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
}

FILE* OpenFileAnsi(const std::string& ansiPath, const char* mode) { return std::fopen(ansiPath.c_str(), mode); }

bool PathExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsDirectory(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool GetAttributes(const std::wstring& path, uint32_t* attributes) {
    DWORD a = GetFileAttributesW(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return false;
    *attributes = a;
    return true;
}

bool FileSize(const std::wstring& path, uint64_t* size) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &d)) return false;
    *size = (static_cast<uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
    return true;
}

bool SetReadOnly(const std::wstring& path, bool readOnly) {
    DWORD a = GetFileAttributesW(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return false;
    a = readOnly ? (a | FILE_ATTRIBUTE_READONLY) : (a & ~FILE_ATTRIBUTE_READONLY);
    return SetFileAttributesW(path.c_str(), a) != 0;
}

bool MakeDirectory(const std::wstring& path, FsError* error) {
    if (CreateDirectoryW(path.c_str(), nullptr)) {
        if (error) *error = FsError::None;
        return true;
    }
    if (error) {
        DWORD e = GetLastError();
        *error = e == ERROR_ALREADY_EXISTS   ? FsError::AlreadyExists
                 : e == ERROR_PATH_NOT_FOUND ? FsError::NotFound
                 : e == ERROR_ACCESS_DENIED  ? FsError::AccessDenied
                                             : FsError::Other;
    }
    return false;
}

bool RemoveEmptyDirectory(const std::wstring& path) { return RemoveDirectoryW(path.c_str()) != 0; }
bool RemoveFile(const std::wstring& path) { return DeleteFileW(path.c_str()) != 0; }

bool RemoveTree(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return true;
    if (a & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
    if (!(a & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileW(path.c_str()) != 0;
    std::vector<DirEntry> entries;
    ListDirectory(path, L"*", &entries);
    for (const DirEntry& e : entries) {
        if (e.name == L"." || e.name == L"..") continue;
        // A file the listing names goes in one call; only one that will
        // not (read-only, say) is looked at again.
        const std::wstring child = path + L"\\" + e.name;
        if (!e.isDirectory && DeleteFileW(child.c_str())) continue;
        RemoveTree(child);
    }
    return RemoveDirectoryW(path.c_str()) != 0;
}

std::wstring CurrentDirectory() {
    DWORD n = GetCurrentDirectoryW(0, nullptr);
    std::wstring s(n, L'\0');
    DWORD got = GetCurrentDirectoryW(n, s.data());
    s.resize(got);
    return s;
}

// <windows.h> maps SetCurrentDirectory to SetCurrentDirectoryW, so the
// name is defined here under both spellings: portable callers (which never
// see the macro) and Windows callers (which do) both link.
#undef SetCurrentDirectory
bool SetCurrentDirectory(const std::wstring& path) { return ::SetCurrentDirectoryW(path.c_str()) != 0; }
bool SetCurrentDirectoryW(const std::wstring& path) { return SetCurrentDirectory(path); }

bool FullPath(const std::wstring& path, std::wstring* absolute) {
    DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return false;
    std::wstring s(n, L'\0');
    DWORD got = GetFullPathNameW(path.c_str(), n, s.data(), nullptr);
    if (got == 0 || got >= n) return false;
    s.resize(got);
    *absolute = s;
    return true;
}

std::wstring TempDirectory() {
    wchar_t buf[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, buf);
    std::wstring s(buf, n);
    while (!s.empty() && (s.back() == L'\\' || s.back() == L'/')) s.pop_back();
    return s;
}

bool ListDirectory(const std::wstring& dir, const std::wstring& pattern, std::vector<DirEntry>* entries) {
    std::wstring query = dir;
    if (!query.empty() && query.back() != L'\\' && query.back() != L'/') query += L'\\';
    query += pattern;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(query.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        DirEntry e;
        e.name = fd.cFileName;
        e.isDirectory = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        e.isHidden = (fd.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
        entries->push_back(std::move(e));
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return true;
}

bool FreeBytes(const std::wstring& path, uint64_t* bytes) {
    ULARGE_INTEGER avail;
    if (!GetDiskFreeSpaceExW(path.c_str(), &avail, nullptr, nullptr)) return false;
    *bytes = avail.QuadPart;
    return true;
}

namespace {
// Sets creation and last-write time of the open file `h` from local time.
bool SetHandleLocalTime(HANDLE h, const LocalTime& t) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(t.year);
    st.wMonth = static_cast<WORD>(t.month);
    st.wDay = static_cast<WORD>(t.day);
    st.wHour = static_cast<WORD>(t.hour);
    st.wMinute = static_cast<WORD>(t.minute);
    st.wSecond = static_cast<WORD>(t.second);
    FILETIME local, utc;
    return SystemTimeToFileTime(&st, &local) && LocalFileTimeToFileTime(&local, &utc) &&
           SetFileTime(h, &utc, nullptr, &utc);
}
}  // namespace

bool SetFileLocalTime(const std::wstring& path, const LocalTime& t) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = SetHandleLocalTime(h, t);
    CloseHandle(h);
    return ok;
}

bool SetOpenFileLocalTime(FILE* file, const LocalTime& t) {
    if (std::fflush(file) != 0) return false;
    HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    return h != INVALID_HANDLE_VALUE && SetHandleLocalTime(h, t);
}

bool GetFileLocalTime(const std::wstring& path, LocalTime* t) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &d)) return false;
    FILETIME local;
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&d.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &st)) return false;
    *t = {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
    return true;
}

}  // namespace platform
