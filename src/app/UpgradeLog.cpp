#include "app/UpgradeLog.h"

#include "platform/Environment.h"
#include "platform/File.h"
#include "platform/FileAppend.h"

const wchar_t kUpgradeLogVariable[] = L"QUILLON_UPGRADE_LOG";

namespace {

#ifdef _WIN32
constexpr wchar_t kLogFolder[] = L"\\Quillon";
#else
constexpr wchar_t kLogFolder[] = L"\\quillon";
#endif
constexpr wchar_t kLogName[] = L"\\upgrades.jsonl";

std::wstring Backslashed(std::wstring path) {
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

// The folder part of a path ("" when it names no folder).
std::wstring FolderOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos) return {};
    std::wstring folder = path.substr(0, slash);
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    return folder;
}

// Makes `folder` and the missing folders above it. The depth is bounded by
// the path's separators.
bool MakeFolders(const std::wstring& folder) {
    if (folder.empty() || platform::IsDirectory(folder)) return true;
    if (folder.back() == L':') return false;  // a drive that is not there
    std::wstring parent = FolderOf(folder);
    if (!parent.empty() && parent.size() < folder.size() && !MakeFolders(parent)) return false;
    platform::FsError error = platform::FsError::None;
    if (platform::MakeDirectory(folder, &error)) return true;
    // Another process may have made it meanwhile; a file of that name is no folder.
    return error == platform::FsError::AlreadyExists && platform::IsDirectory(folder);
}

bool AppendRecord(const std::wstring& logPath, const UpgradeRecord& record, uint64_t rotateAboveBytes) {
    const std::wstring path = Backslashed(logPath);
    if (path.empty() || path.back() == L'\\') return false;
    if (!MakeFolders(FolderOf(path))) return false;
    uint64_t size = 0;
    if (platform::FileSize(path, &size) && size > rotateAboveBytes)
        platform::RenameReplacing(path, RotatedUpgradeLogPath(path));  // on failure the log just grows
    return platform::AppendToFile(path, FormatUpgradeRecord(record));
}

}  // namespace

std::wstring DefaultUpgradeLogPath() {
    std::wstring overridden;
    if (platform::ReadEnvironment(kUpgradeLogVariable, &overridden) && !overridden.empty())
        return Backslashed(overridden);
    std::wstring state = platform::UserStateFolder();
    if (state.empty()) return {};
    if (state.back() == L'\\') state.pop_back();  // a root folder
    return state + kLogFolder + kLogName;
}

std::wstring RotatedUpgradeLogPath(const std::wstring& logPath) {
    size_t nameStart = logPath.find_last_of(L"\\/");
    nameStart = nameStart == std::wstring::npos ? 0 : nameStart + 1;
    size_t dot = logPath.find_last_of(L'.');
    if (dot == std::wstring::npos || dot <= nameStart) return logPath + L".1";  // no extension (".hidden" neither)
    return logPath.substr(0, dot) + L".1" + logPath.substr(dot);
}

bool AppendUpgradeRecord(const std::wstring& logPath, const UpgradeRecord& record) {
    return AppendUpgradeRecord(logPath, record, kUpgradeLogRotateBytes);
}

bool AppendUpgradeRecord(const std::wstring& logPath, const UpgradeRecord& record, uint64_t rotateAboveBytes) {
    // Nothing of the log may end a run: not even running out of memory.
    try {
        return AppendRecord(logPath, record, rotateAboveBytes);
    } catch (...) {
        return false;
    }
}
