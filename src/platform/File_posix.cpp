#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <mutex>

#include "platform/File.h"
#include "platform/NativePath_posix.h"
#include "platform/Text.h"

namespace platform {

std::string NativePath(const std::wstring& path) {
    std::string s = WideToUtf8(path);
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}

namespace {
std::wstring FromNative(const std::string& path) {
    std::wstring w = Utf8ToWide(path);
    for (wchar_t& c : w)
        if (c == L'/') c = L'\\';
    return w;
}
}  // namespace

FILE* OpenFile(const std::wstring& path, const char* mode) { return std::fopen(NativePath(path).c_str(), mode); }

FILE* CreateOwnerOnlyFile(const std::wstring& path) {
    const int fd = ::open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return nullptr;
    FILE* f = ::fdopen(fd, "wb");
    if (!f) ::close(fd);
    return f;
}

FILE* OpenFileAnsi(const std::string& ansiPath, const char* mode) {
    return OpenFile(AnsiToWide(ansiPath), mode);
}

bool PathExists(const std::wstring& path) {
    struct stat st;
    return !path.empty() && ::stat(NativePath(path).c_str(), &st) == 0;
}

bool IsDirectory(const std::wstring& path) {
    struct stat st;
    return !path.empty() && ::stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool GetAttributes(const std::wstring& path, uint32_t* attributes) {
    struct stat st;
    std::string n = NativePath(path);
    if (path.empty() || ::stat(n.c_str(), &st) != 0) return false;
    uint32_t a = 0;
    if (S_ISDIR(st.st_mode)) a |= 0x10;
    // Read-only as Wine reports it: no write permission bit at all.
    if (!(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) a |= 0x1;
    if (a == 0) a = 0x80;  // FILE_ATTRIBUTE_NORMAL
    *attributes = a;
    return true;
}

bool FileSize(const std::wstring& path, uint64_t* size) {
    struct stat st;
    if (::stat(NativePath(path).c_str(), &st) != 0) return false;
    *size = static_cast<uint64_t>(st.st_size);
    return true;
}

bool SetReadOnly(const std::wstring& path, bool readOnly) {
    struct stat st;
    std::string n = NativePath(path);
    if (::stat(n.c_str(), &st) != 0) return false;
    mode_t mode = st.st_mode & 07777;
    mode = readOnly ? (mode & ~static_cast<mode_t>(0222)) : (mode | S_IWUSR);
    return ::chmod(n.c_str(), mode) == 0;
}

bool MakeDirectory(const std::wstring& path, FsError* error) {
    if (!path.empty() && ::mkdir(NativePath(path).c_str(), 0777) == 0) {
        if (error) *error = FsError::None;
        return true;
    }
    if (error) {
        int e = path.empty() ? ENOENT : errno;
        *error = e == EEXIST ? FsError::AlreadyExists
                 : e == ENOENT || e == ENOTDIR ? FsError::NotFound
                 : e == EACCES || e == EPERM || e == EROFS ? FsError::AccessDenied
                 : FsError::Other;
    }
    return false;
}

bool RemoveEmptyDirectory(const std::wstring& path) { return ::rmdir(NativePath(path).c_str()) == 0; }
bool RemoveFile(const std::wstring& path) { return ::unlink(NativePath(path).c_str()) == 0; }

bool RemoveTree(const std::wstring& path) {
    struct stat st;
    std::string n = NativePath(path);
    if (::lstat(n.c_str(), &st) != 0) return true;
    if (!S_ISDIR(st.st_mode)) return ::unlink(n.c_str()) == 0;
    std::vector<DirEntry> entries;
    ListDirectory(path, L"*", &entries);
    for (const DirEntry& e : entries) {
        if (e.name == L"." || e.name == L"..") continue;
        // A file the listing names goes in one call; anything else is
        // looked at first.
        if (!e.isDirectory && ::unlink((n + "/" + WideToUtf8(e.name)).c_str()) == 0) continue;
        RemoveTree(path + L"\\" + e.name);
    }
    return ::rmdir(n.c_str()) == 0;
}

std::wstring CurrentDirectory() {
    char buf[PATH_MAX];
    if (!::getcwd(buf, sizeof buf)) return {};
    return FromNative(buf);
}

bool SetCurrentDirectory(const std::wstring& path) { return !path.empty() && ::chdir(NativePath(path).c_str()) == 0; }

bool FullPath(const std::wstring& path, std::wstring* absolute) {
    if (path.empty()) return false;
    std::wstring p = path;
    for (wchar_t& c : p)
        if (c == L'/') c = L'\\';
    if (p[0] != L'\\') {
        std::wstring cwd = CurrentDirectory();
        if (cwd.empty()) return false;
        p = cwd + L"\\" + p;
    }
    // Fold "." and ".." components and repeated separators, like GetFullPathName.
    std::vector<std::wstring> parts;
    size_t i = 0;
    while (i <= p.size()) {
        size_t j = p.find(L'\\', i);
        if (j == std::wstring::npos) j = p.size();
        std::wstring part = p.substr(i, j - i);
        if (part == L"..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != L".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::wstring out;
    for (const auto& part : parts) out += L"\\" + part;
    if (out.empty()) out = L"\\";
    if (p.back() == L'\\' && out.back() != L'\\') out += L'\\';
    *absolute = out;
    return true;
}

std::wstring TempDirectory() {
    const char* t = std::getenv("TMPDIR");
    std::wstring w = FromNative(t && *t ? t : "/tmp");
    while (w.size() > 1 && w.back() == L'\\') w.pop_back();
    return w;
}

bool ListDirectory(const std::wstring& dir, const std::wstring& pattern, std::vector<DirEntry>* entries) {
    std::string n = NativePath(dir.empty() ? L"." : dir);
    DIR* d = ::opendir(n.c_str());
    if (!d) return false;
    // "*.*" matches every name, as with Windows' wildcard rules.
    std::string pat = pattern == L"*.*" ? "*" : WideToUtf8(pattern);
    while (dirent* e = ::readdir(d)) {
        if (::fnmatch(pat.c_str(), e->d_name, 0) != 0) continue;
        DirEntry de;
        de.name = Utf8ToWide(e->d_name);
        // The entry's type as the folder records it; a link (followed, as
        // Windows would) or an unknown type costs a stat.
        if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
            struct stat st;
            std::string full = n + "/" + e->d_name;
            de.isDirectory = ::stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        } else {
            de.isDirectory = e->d_type == DT_DIR;
        }
        de.isHidden = false;
        entries->push_back(std::move(de));
    }
    ::closedir(d);
    return true;
}

bool FreeBytes(const std::wstring& path, uint64_t* bytes) {
    struct statvfs s;
    if (::statvfs(NativePath(path).c_str(), &s) != 0) return false;
    *bytes = static_cast<uint64_t>(s.f_bavail) * s.f_frsize;
    return true;
}

namespace {
// The times utimensat and futimens take for a local calendar time: the last
// write at that second, the last access left alone. False when it is no
// valid date.
bool ModificationTimes(const LocalTime& t, struct timespec (&times)[2]) {
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59 || t.second > 59)
        return false;
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1;
    std::time_t when;
    {
        // mktime reads and may reload the process's time zone: one caller
        // at a time when entries are extracted on several threads.
        static std::mutex zone;
        std::lock_guard<std::mutex> hold(zone);
        when = std::mktime(&tm);
    }
    if (when == static_cast<std::time_t>(-1) || tm.tm_mday != t.day) return false;
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = when;
    times[1].tv_nsec = 0;
    return true;
}
}  // namespace

bool SetFileLocalTime(const std::wstring& path, const LocalTime& t) {
    struct timespec times[2];
    return ModificationTimes(t, times) && ::utimensat(AT_FDCWD, NativePath(path).c_str(), times, 0) == 0;
}

bool SetOpenFileLocalTime(FILE* file, const LocalTime& t) {
    struct timespec times[2];
    return ModificationTimes(t, times) && std::fflush(file) == 0 && ::futimens(::fileno(file), times) == 0;
}

bool GetFileLocalTime(const std::wstring& path, LocalTime* t) {
    struct stat st;
    if (::stat(NativePath(path).c_str(), &st) != 0) return false;
    std::tm tm{};
    std::time_t when = st.st_mtime;
    if (!::localtime_r(&when, &tm)) return false;
    *t = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
    return true;
}

}  // namespace platform
