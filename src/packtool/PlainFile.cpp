#include "packtool/PlainFile.h"

#include <cstdio>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>

#include "platform/Text.h"
#endif

#include "platform/File.h"

bool IsPlainFile(const std::wstring& path) {
#if defined(_WIN32)
    // No access asked: opening a device this way neither blocks nor reads.
    HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool plain = GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info) &&
                       !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    CloseHandle(h);
    return plain;
#else
    std::string native = platform::WideToUtf8(path);
    for (char& c : native)
        if (c == '\\') c = '/';
    struct stat st;
    return stat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode);
#endif
}

namespace {
// The marks and embeddings that reorder how a line shows: a comment could
// make "release 7" display as something else.
bool IsBidiControl(wchar_t c) {
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x200E || c == 0x200F ||
           c == 0x061C;
}
}  // namespace

std::wstring EscapeControls(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L'\r') out += L"\\r";
        else if (c == L'\n') out += L"\\n";
        else if (c == L'\t') out += L"\\t";
        else if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || IsBidiControl(c)) {
            wchar_t hex[12];
            std::swprintf(hex, 12, c < 0x100 ? L"\\x%02X" : L"\\u%04X", static_cast<unsigned>(c));
            out += hex;
        } else out += c;
    }
    return out;
}

std::wstring PackFileProblem(const std::wstring& pack) {
    if (!platform::PathExists(pack) || platform::IsDirectory(pack)) return L": no such file";
    if (!IsPlainFile(pack)) return L": not a regular file";
    return std::wstring();
}
