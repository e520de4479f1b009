#include "pack/ZipExtraction.h"
#include "platform/File.h"

bool MakeDirectoryChain(const std::wstring& path) {
    std::wstring p = path;
    if (p.empty()) return false;
    if (p.back() == L'/') p.pop_back();  // a trailing backslash stays
    if (!p.empty() && platform::MakeDirectory(p)) return true;

    for (size_t i = 1; i <= p.size(); ++i) {
        if (i < p.size() && p[i] != L'\\' && p[i] != L'/') continue;
        platform::FsError error = platform::FsError::None;
        if (!platform::MakeDirectory(p.substr(0, i), &error) && error != platform::FsError::AlreadyExists)
            return false;
    }
    return true;
}

bool FreeBytesForFolder(const std::wstring& folder, uint64_t* bytes) {
    std::wstring p;
    if (!platform::FullPath(folder, &p)) return false;
    for (;;) {
        if (platform::IsDirectory(p)) return platform::FreeBytes(p, bytes);
        size_t cut = p.find_last_of(L"\\/");
        if (cut == std::wstring::npos || cut == 0) return platform::FreeBytes(cut == 0 ? L"\\" : p, bytes);
        p.resize(cut);
    }
}
