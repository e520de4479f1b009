#include "pack/FolderHash.h"

#include <vector>

#include "pack/BrowseDir.h"
#include "pack/FileMD5.h"
#include "pack/IndexedJobs.h"
#include "platform/File.h"
#include "platform/Text.h"

const wchar_t kManifestFileName[] = L"FolderMD5.ini";

namespace {

std::wstring MeasureFile(const std::wstring& path) {
    bool lossless = true;
    std::string ansi = platform::WideToAnsi(path, &lossless);
    if (!lossless) return {};  // the ANSI code page cannot name it: it cannot be read
    std::unique_ptr<char[]> hex = GetFileMD5(ansi.c_str(), true);
    return hex ? platform::AnsiToWide(hex.get()) : std::wstring();
}

}  // namespace

IniEntries HashFolderFiles(const std::wstring& folder, const std::wstring& skipPath) {
    IniEntries measured;
    std::vector<std::wstring> files;
    std::wstring base;  // the walker's absolute start folder, ending in a backslash
    CBrowseDir walker;
    if (!walker.SetInitDir(folder)) return measured;
    base = walker.InitDir();
    walker.BeginBrowse(L"*.*", files, true);
    std::wstring skip = skipPath;
    platform::FullPath(skipPath, &skip);
    std::vector<const std::wstring*> toHash;
    toHash.reserve(files.size());
    for (const std::wstring& path : files)
        if (path != skipPath && path != skip) toHash.push_back(&path);

    // Files are independent: hash them on every core, each result in its
    // own slot, then merge in walk order as a single thread would.
    std::vector<std::wstring> digests(toHash.size());
    RunIndexedJobs(toHash.size(), WorkerThreadCount(), [&](size_t i) { digests[i] = MeasureFile(*toHash[i]); });
    for (size_t i = 0; i < toHash.size(); ++i) {
        // Keys start with the backslash behind the folder: ".\sub\file".
        measured.emplace(L".\\" + toHash[i]->substr(base.size()), std::move(digests[i]));
    }
    return measured;
}
