#include "packtool/PackMake.h"

#include <cstdio>
#include <vector>

#include "packtool/SourceTree.h"
#include "pack/EntryName.h"
#include "pack/FileDigest.h"
#include "pack/FolderHash.h"
#include "pack/IndexedJobs.h"
#include "pack/MD5IniFile.h"
#include "pack/PackVerifyInfo.h"
#include "pack/ZipWriter.h"
#include "platform/File.h"
#include "platform/ScratchFolder.h"
#include "platform/Text.h"

namespace {

constexpr size_t kMaxEntryNameBytes = 259;  // what the extractor's name buffer holds

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

// One entry to be written: its name in the archive and where it comes from
// (`source` as the operator knows it; it is opened through LongPath).
struct PlannedEntry {
    std::string name;
    std::wstring source;
    bool folder;
};

// MD5 of every file, on every core; an empty value for one that cannot be read.
std::vector<std::string> HashFiles(const std::wstring& folder, const std::vector<std::wstring>& files) {
    std::vector<std::string> digests(files.size());
    RunIndexedJobs(files.size(), WorkerThreadCount(), [&](size_t i) {
        if (!FileMD5Hex(LongPath(folder + L"\\" + files[i]), &digests[i])) digests[i].clear();
    });
    return digests;
}

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

// FOLDER and the output as full paths; the output never inside FOLDER.
// Empty, or the error.
std::wstring ResolveMakePaths(const std::wstring& folderArg, const std::wstring& outputArg, std::wstring* folder,
                              std::wstring* output) {
    if (!platform::FullPath(folderArg, folder) || !platform::IsDirectory(LongPath(*folder)))
        return folderArg + L": not a folder";
    while (folder->size() > 1 && folder->back() == L'\\') folder->pop_back();
    if (!platform::FullPath(outputArg, output)) return outputArg + L": not a usable path";
    if (output->compare(0, folder->size() + 1, *folder + L"\\") == 0)
        return outputArg + L": the pack may not be written inside the folder it packs";
    return std::wstring();
}

// The manifest of every source file and of the verify record beside it in
// `scratch`. Empty, or the error.
std::wstring WriteManifest(const std::wstring& folder, const std::vector<std::wstring>& sources,
                           const std::wstring& scratch, const std::wstring& verifyPath,
                           const std::wstring& manifestPath) {
    CMD5IniFile manifest;
    const std::vector<std::string> digests = HashFiles(folder, sources);
    for (size_t i = 0; i < sources.size(); ++i) {
        if (digests[i].empty()) return folder + L"\\" + sources[i] + L": cannot be read";
        manifest.SetValue(L"MD5", L".\\" + sources[i], platform::AnsiToWide(digests[i]));
    }
    // The verify record is listed like every other file of the pack.
    for (const auto& [key, value] : HashFolderFiles(scratch, manifestPath)) {
        if (value.empty()) return verifyPath + L": cannot be read";
        manifest.SetValue(L"MD5", key, value);
    }
    if (!manifest.Save(manifestPath)) return manifestPath + L": cannot write";
    return std::wstring();
}

// Every entry of the archive, its name checked with the rules the
// extractor applies before the archive is started, so what make writes
// check accepts. Empty, or the error.
std::wstring PlanEntries(const std::wstring& folder, const SourceTree& tree, const std::vector<std::wstring>& sources,
                         const std::wstring& verifyPath, const std::wstring& manifestPath,
                         std::vector<PlannedEntry>* plan) {
    *plan = {{platform::WideToAnsi(kVerifyFileName), verifyPath, false},
             {platform::WideToAnsi(kManifestFileName), manifestPath, false}};
    for (const std::wstring& dir : tree.folders) plan->push_back({"", folder + L"\\" + dir + L"\\", true});
    for (const std::wstring& file : sources) plan->push_back({"", folder + L"\\" + file, false});
    EntryNameSet names;
    for (size_t i = 0; i < plan->size(); ++i) {
        PlannedEntry& e = (*plan)[i];
        if (i >= 2) {
            const std::wstring problem = EntryNameOf(e.source.substr(folder.size() + 1), &e.name);
            if (!problem.empty()) return e.source + L": " + problem;
        }
        if (const char* clash = names.Add(platform::AnsiToWide(e.name))) return e.source + L": " + platform::Utf8ToWide(clash);
    }
    return std::wstring();
}

// The archive; a partial one is removed. Empty, or the error.
std::wstring WriteArchive(const std::vector<PlannedEntry>& plan, const std::wstring& output) {
    ZipWriter zip;
    if (!zip.Open(output)) return output + L": cannot create";
    for (const PlannedEntry& e : plan) {
        const std::wstring path = LongPath(e.folder ? e.source.substr(0, e.source.size() - 1) : e.source);
        const bool written = e.folder ? zip.AddFolder(e.name, TimeOf(path)) : zip.AddFile(e.name, path, TimeOf(path));
        if (!written) {
            zip.Close();
            platform::RemoveFile(output);
            return e.source + L": cannot be packed into " + output;
        }
    }
    if (!zip.Close()) {
        platform::RemoveFile(output);
        return output + L": cannot write";
    }
    return std::wstring();
}

}  // namespace

int MakePack(const std::wstring& model, PackKind kind, const std::wstring& folderArg, const std::wstring& outputArg,
             ToolOutput& io) {
    auto fail = [&io](const std::wstring& error) {
        io.Err(error);
        return kExitUsage;
    };
    std::wstring folder, output;
    std::wstring error = ResolveMakePaths(folderArg, outputArg, &folder, &output);
    if (!error.empty()) return fail(error);
    PackVerifyInfo info;
    if (!info.Set(model, kind)) return fail(L"model name too long: " + model);

    platform::ScratchFolder scratch;
    if (!scratch.Create(L"packtool-")) return fail(platform::TempDirectory() + L": cannot create a temporary folder");
    const std::wstring verifyPath = scratch.Path() + L"\\" + kVerifyFileName;
    const std::wstring manifestPath = scratch.Path() + L"\\" + kManifestFileName;
    if (!WriteVerifyFile(verifyPath, info)) return fail(verifyPath + L": cannot write");

    // Every file and folder under FOLDER, whatever the length of its path;
    // a verify record or manifest at its top is replaced by the new ones.
    SourceTree tree;
    if (!WalkSourceTree(folder, &tree, &error)) return fail(error);
    std::vector<std::wstring> sources;
    bool replaced = false;
    for (const std::wstring& file : tree.files) {
        if (file == kVerifyFileName || file == kManifestFileName)
            replaced = true;
        else
            sources.push_back(file);
    }
    if (replaced)
        io.Err(L"note: the folder's own " + std::wstring(kVerifyFileName) + L"/" + kManifestFileName +
               L" are replaced in the pack");

    std::vector<PlannedEntry> plan;
    error = WriteManifest(folder, sources, scratch.Path(), verifyPath, manifestPath);
    if (error.empty()) error = PlanEntries(folder, tree, sources, verifyPath, manifestPath, &plan);
    if (error.empty()) error = WriteArchive(plan, output);
    if (!error.empty()) return fail(error);
    io.Out(outputArg + L": " + std::to_wstring(sources.size() + 2) + L" files, model " + model);
    return kExitAccepted;
}
