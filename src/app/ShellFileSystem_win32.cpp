#include <windows.h>
#include <shellapi.h>

#include "app/ShellFileSystem.h"

#include "pack/FileDigest.h"
#include "pack/Md5.h"

namespace {

// The shell takes lists of names, each NUL-terminated, ended by one more NUL.
std::wstring DoubleNulTerminated(const std::wstring& path) {
    std::wstring list = path;
    list.push_back(L'\0');
    list.push_back(L'\0');
    return list;
}

}  // namespace

bool ShellDeletePath(const std::wstring& path) {
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
    std::wstring from = DoubleNulTerminated(path);
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;  // no FOF_ALLOWUNDO: really delete
    return SHFileOperationW(&op) == 0;
}

bool ShellCopyFile(const std::wstring& file, const std::wstring& target) {
    const DWORD existing = GetFileAttributesW(target.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DIRECTORY)) return false;
    std::wstring from = DoubleNulTerminated(file);
    std::wstring to = DoubleNulTerminated(target);
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_COPY;
    op.pFrom = from.c_str();
    op.pTo = to.c_str();
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;
    return SHFileOperationW(&op) == 0 && !op.fAnyOperationsAborted;
}

std::wstring GetProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring exe(path, n);
    size_t cut = exe.find_last_of(L'\\');
    return cut == std::wstring::npos ? std::wstring() : exe.substr(0, cut);
}
