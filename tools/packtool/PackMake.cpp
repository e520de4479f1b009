#include "PackMake.h"

#include <cstdio>
#include <vector>

#include "chooser/BrowseDir.h"
#include "pack/EntryName.h"
#include "pack/FolderHash.h"
#include "pack/MD5IniFile.h"
#include "pack/PackVerifyInfo.h"
#include "pack/ZipWriter.h"
#include "platform/File.h"
#include "platform/ScratchFolder.h"
#include "platform/Text.h"

namespace {

constexpr size_t kMaxEntryNameBytes = 259;  // what the extractor's name buffer holds

// Collects the sub-folders of a tree (relative to its top), so empty ones
// travel in the archive too.
class FolderCollector : public CBrowseDir {
public:
    std::vector<std::wstring> folders;
    void ProcessDir(const std::wstring& dirPath, const std::wstring& parentDir) override {
        if (!parentDir.empty()) folders.push_back(dirPath);
    }
};

// ".\sub\a.bin" -> "sub/a.bin" in the ANSI code page; empty, or the reason
// the name cannot travel: no ANSI form, too long to extract, refused by the
// extractor, or an '=' (it would split the manifest key).
std::wstring EntryNameOf(const std::wstring& relative, std::string* name) {
    std::wstring w = relative;
    for (wchar_t& c : w)
        if (c == L'\\') c = L'/';
    bool lossless = true;
    *name = platform::WideToAnsi(w, &lossless);
    if (!lossless) return L"name has no form in the ANSI code page";
    if (name->size() > kMaxEntryNameBytes) return L"name is too long to extract";
    if (relative.find(L'=') != std::wstring::npos) return L"name holds '=', which would split its manifest key";
    if (const char* problem = EntryNameProblem(w)) return L"name refused by the extractor: " + platform::Utf8ToWide(problem);
    return {};
}

// One entry to be written: its name in the archive and where it comes from.
struct PlannedEntry {
    std::string name;
    std::wstring source;
    bool folder;
};

platform::LocalTime TimeOf(const std::wstring& path) {
    platform::LocalTime t{1980, 1, 1, 0, 0, 0};
    platform::GetFileLocalTime(path, &t);
    if (t.year < 1980) t = {1980, 1, 1, 0, 0, 0};  // the zip format starts in 1980
    return t;
}

bool WriteVerifyFile(const std::wstring& path, const PackVerifyInfo& info) {
    FILE* f = platform::OpenFile(path, "wb");
    if (!f) return false;
    bool ok = std::fwrite(info.bytes, 1, sizeof info.bytes, f) == sizeof info.bytes;
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int MakePack(const std::wstring& model, PackKind kind, const std::wstring& folderArg, const std::wstring& outputArg,
             ToolOutput& io) {
    std::wstring folder, output;
    if (!platform::FullPath(folderArg, &folder) || !platform::IsDirectory(folder)) {
        io.Err(folderArg + L": not a folder");
        return kExitUsage;
    }
    while (folder.size() > 1 && folder.back() == L'\\') folder.pop_back();
    if (!platform::FullPath(outputArg, &output)) {
        io.Err(outputArg + L": not a usable path");
        return kExitUsage;
    }
    if (output.compare(0, folder.size() + 1, folder + L"\\") == 0) {
        io.Err(outputArg + L": the pack may not be written inside the folder it packs");
        return kExitUsage;
    }
    PackVerifyInfo info;
    if (!info.Set(model, kind)) {
        io.Err(L"model name too long: " + model);
        return kExitUsage;
    }

    platform::ScratchFolder scratch;
    if (!scratch.Create(L"packtool-")) {
        io.Err(platform::TempDirectory() + L": cannot create a temporary folder");
        return kExitUsage;
    }
    const std::wstring verifyPath = scratch.Path() + L"\\" + kVerifyFileName;
    const std::wstring manifestPath = scratch.Path() + L"\\" + kManifestFileName;
    if (!WriteVerifyFile(verifyPath, info)) {
        io.Err(verifyPath + L": cannot write");
        return kExitUsage;
    }

    // The folder's own files; a verify record or manifest at its top is
    // replaced by the new ones.
    const std::wstring topVerify = folder + L"\\" + kVerifyFileName;
    const std::wstring topManifest = folder + L"\\" + kManifestFileName;
    IniEntries files = HashFolderFiles(folder, topManifest);
    files.erase(std::wstring(L".\\") + kVerifyFileName);
    if (platform::PathExists(topVerify) || platform::PathExists(topManifest))
        io.Err(L"note: the folder's own " + std::wstring(kVerifyFileName) + L"/" + kManifestFileName +
               L" are replaced in the pack");

    CMD5IniFile manifest;
    for (const auto& [key, value] : files) {
        if (value.empty()) {
            io.Err(folder + key.substr(1) + L": cannot be read");
            return kExitUsage;
        }
        manifest.SetValue(L"MD5", key, value);
    }
    // The verify record is listed like every other file of the pack.
    for (const auto& [key, value] : HashFolderFiles(scratch.Path(), manifestPath)) {
        if (value.empty()) {
            io.Err(verifyPath + L": cannot be read");
            return kExitUsage;
        }
        manifest.SetValue(L"MD5", key, value);
    }
    if (!manifest.Save(manifestPath)) {
        io.Err(manifestPath + L": cannot write");
        return kExitUsage;
    }

    FolderCollector collector;
    std::vector<std::wstring> unused;
    {
        const std::wstring cwd = platform::CurrentDirectory();
        if (collector.SetInitDir(folder)) collector.BeginBrowse(L"*.*", unused, true);
        platform::SetCurrentDirectory(cwd);
    }

    // Every name is checked before the archive is started, with the rules
    // the extractor applies, so what make writes check accepts.
    std::vector<PlannedEntry> plan = {{platform::WideToAnsi(kVerifyFileName), verifyPath, false},
                                      {platform::WideToAnsi(kManifestFileName), manifestPath, false}};
    for (const std::wstring& dir : collector.folders) plan.push_back({"", dir, true});  // "...\sub\"
    for (const auto& entry : files) plan.push_back({"", folder + entry.first.substr(1), false});
    EntryNameSet names;
    for (size_t i = 0; i < plan.size(); ++i) {
        PlannedEntry& e = plan[i];
        if (i >= 2) {
            std::wstring problem = EntryNameOf(e.source.substr(folder.size() + 1), &e.name);
            if (!problem.empty()) return io.Err(e.source + L": " + problem), kExitUsage;
        }
        if (const char* clash = names.Add(platform::AnsiToWide(e.name)))
            return io.Err(e.source + L": " + platform::Utf8ToWide(clash)), kExitUsage;
    }

    ZipWriter zip;
    if (!zip.Open(output)) {
        io.Err(output + L": cannot create");
        return kExitUsage;
    }
    for (const PlannedEntry& e : plan) {
        const bool written = e.folder ? zip.AddFolder(e.name, TimeOf(e.source.substr(0, e.source.size() - 1)))
                                      : zip.AddFile(e.name, e.source, TimeOf(e.source));
        if (!written) {
            io.Err(e.source + L": cannot be packed into " + output);
            zip.Close();
            platform::RemoveFile(output);
            return kExitUsage;
        }
    }
    if (!zip.Close()) {
        platform::RemoveFile(output);
        io.Err(output + L": cannot write");
        return kExitUsage;
    }
    io.Out(outputArg + L": " + std::to_wstring(files.size() + 2) + L" files, model " + model);
    return kExitAccepted;
}
