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

IniEntries HashFolderFiles(const std::wstring& folder, const std::wstring& skipPath,
                           const ExtractedDigests* written) {
    IniEntries measured;
    std::vector<std::wstring> files;
    std::wstring base;  // the walker's absolute start folder, ending in a backslash
    CBrowseDir walker;
    if (!walker.SetInitDir(folder)) return measured;
    base = walker.InitDir();
    walker.BeginBrowse(L"*.*", files, true);
    std::wstring skip = skipPath;
    platform::FullPath(skipPath, &skip);
    std::vector<std::wstring> keys, digests;
    std::vector<std::pair<size_t, const std::wstring*>> toRead;  // slot and path of each file to read
    keys.reserve(files.size());
    for (const std::wstring& path : files) {
        if (path == skipPath || path == skip) continue;
        // Keys start with the backslash behind the folder: ".\sub\file".
        keys.push_back(L".\\" + path.substr(base.size()));
        auto known = written ? written->find(keys.back()) : ExtractedDigests::const_iterator();
        if (written && known != written->end()) {
            digests.push_back(known->second);
        } else {
            digests.emplace_back();
            toRead.emplace_back(keys.size() - 1, &path);
        }
    }

    // Files are independent: hash them on every core, each result in its
    // own slot, then merge in walk order as a single thread would.
    RunIndexedJobs(toRead.size(), WorkerThreadCount(),
                   [&](size_t i) { digests[toRead[i].first] = MeasureFile(*toRead[i].second); });
    for (size_t i = 0; i < keys.size(); ++i) measured.emplace(std::move(keys[i]), std::move(digests[i]));
    return measured;
}
