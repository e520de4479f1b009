#include "packtool/SourceTree.h"

#include <algorithm>

#include "packtool/PlainFile.h"
#include "platform/File.h"

std::wstring LongPath(const std::wstring& absolute) {
#if defined(_WIN32)
    if (absolute.compare(0, 4, L"\\\\?\\") == 0) return absolute;
    if (absolute.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + absolute.substr(2);
    return L"\\\\?\\" + absolute;
#else
    return absolute;
#endif
}

namespace {

bool Walk(const std::wstring& top, const std::wstring& relative, SourceTree* tree, std::wstring* problem) {
    const std::wstring folder = relative.empty() ? top : top + L"\\" + relative;
    std::vector<platform::DirEntry> entries;
    if (!platform::ListDirectory(LongPath(folder), L"*.*", &entries)) {
        *problem = folder + L": cannot be listed";
        return false;
    }
    for (const platform::DirEntry& e : entries) {
        if (e.name == L"." || e.name == L"..") continue;
        const std::wstring child = relative.empty() ? e.name : relative + L"\\" + e.name;
        if (e.isDirectory) {
            tree->folders.push_back(child);
            if (!Walk(top, child, tree, problem)) return false;
        } else if (IsPlainFile(LongPath(top + L"\\" + child))) {
            tree->files.push_back(child);
        } else {
            // Opening a FIFO would wait for a writer for ever.
            *problem = top + L"\\" + child + L": not a regular file (a FIFO, socket or device)";
            return false;
        }
    }
    return true;
}

}  // namespace

bool WalkSourceTree(const std::wstring& top, SourceTree* tree, std::wstring* problem) {
    tree->files.clear();
    tree->folders.clear();
    if (!Walk(top, L"", tree, problem)) return false;
    // In name order, whatever order the file system lists them in, so the
    // same folder always gives the same pack and the same first refusal.
    std::sort(tree->files.begin(), tree->files.end());
    std::sort(tree->folders.begin(), tree->folders.end());
    return true;
}
