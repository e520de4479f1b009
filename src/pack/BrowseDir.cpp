#include "pack/BrowseDir.h"

#include "platform/File.h"
#include "platform/Text.h"

namespace {

// Paths live in 260-unit buffers on the operators' PCs: anything longer is
// skipped rather than cut.
bool Fits(const std::wstring& path) { return platform::WideToUtf16(path).size() < platform::kMaxPath; }

std::wstring WithBackslash(std::wstring dir) {
    if (dir.empty() || dir.back() != L'\\') dir += L'\\';
    return dir;
}

}  // namespace

CBrowseDir::CBrowseDir() {
    std::wstring cwd = WithBackslash(platform::CurrentDirectory());
    if (Fits(cwd)) m_initDir = cwd;
}

bool CBrowseDir::SetInitDir(const std::wstring& dir) {
    std::wstring absolute;
    if (!platform::FullPath(dir, &absolute) || !Fits(absolute) || !platform::IsDirectory(absolute)) return false;
    absolute = WithBackslash(absolute);
    if (!Fits(absolute)) return false;
    m_initDir = absolute;
    return true;
}

bool CBrowseDir::BeginBrowse(const std::wstring& fileSpec, std::vector<std::wstring>& list, bool recurse) {
    ProcessDir(m_initDir, std::wstring());
    return BrowseDir(m_initDir, fileSpec, list, recurse);
}

bool CBrowseDir::BrowseDir(const std::wstring& dir, const std::wstring& fileSpec, std::vector<std::wstring>& list,
                           bool recurse) {
    // A folder that cannot be searched contributes nothing.
    std::vector<platform::DirEntry> entries;
    platform::ListDirectory(dir, fileSpec, &entries);
    for (const platform::DirEntry& e : entries) {
        if (e.isDirectory) continue;
        std::wstring path = dir + e.name;
        if (!Fits(path)) continue;
        list.push_back(path);
        if (!ProcessFile(path)) return false;
    }
    if (!recurse) return true;

    // "*.*" matches every name: the listing above holds the folders too.
    if (fileSpec != L"*.*") {
        entries.clear();
        platform::ListDirectory(dir, L"*.*", &entries);
    }
    for (const platform::DirEntry& e : entries) {
        if (!e.isDirectory || e.name == L"." || e.name == L"..") continue;
        std::wstring sub = dir + e.name + L"\\";
        if (!Fits(sub)) continue;
        ProcessDir(sub, dir);
        if (!BrowseDir(sub, fileSpec, list, true)) return false;
    }
    return true;
}

bool CBrowseDir::ProcessFile(const std::wstring&) { return true; }

void CBrowseDir::ProcessDir(const std::wstring&, const std::wstring&) {}
