#include "pack/FolderHash.h"

#include <vector>

#include "chooser/BrowseDir.h"
#include "pack/FileMD5.h"
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

// The walk leaves the current directory inside the folder being checked,
// which the caller deletes afterwards; put it back where it was.
class CurrentDirectoryKeeper {
public:
    CurrentDirectoryKeeper() : m_saved(platform::CurrentDirectory()) {}
    ~CurrentDirectoryKeeper() {
        if (m_saved.empty() || !platform::SetCurrentDirectory(m_saved))
            platform::SetCurrentDirectory(platform::TempDirectory());
    }

private:
    std::wstring m_saved;
};

}  // namespace

IniEntries HashFolderFiles(const std::wstring& folder, const std::wstring& skipPath) {
    IniEntries measured;
    std::vector<std::wstring> files;
    {
        CurrentDirectoryKeeper keep;
        CBrowseDir walker;
        if (walker.SetInitDir(folder)) walker.BeginBrowse(L"*.*", files, true);
    }
    for (const std::wstring& path : files) {
        if (path == skipPath) continue;
        if (path.size() < folder.size() || path.compare(0, folder.size(), folder) != 0) continue;
        measured.emplace(L"." + path.substr(folder.size()), MeasureFile(path));
    }
    return measured;
}
