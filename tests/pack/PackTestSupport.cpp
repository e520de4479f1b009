#include "PackTestSupport.h"

#include <algorithm>
#include <cstdio>

#include "RawZip.h"
#include "pack/BrowseDir.h"
#include "pack/ZipExtraction.h"
#include "pack/ZipWriter.h"
#include "platform/Text.h"

std::string ReadBytes(const std::wstring& path) {
    std::string out;
    FILE* f = platform::OpenFile(path, "rb");
    if (!f) return out;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return out;
}

bool WriteFileTree(const std::wstring& root, const std::wstring& relative, const std::string& bytes) {
    std::wstring path = root + L"\\" + relative;
    size_t cut = path.find_last_of(L'\\');
    MakeDirectoryChain(path.substr(0, cut + 1));
    return WriteBytes(path, bytes);
}

bool MakeZip(const std::wstring& path, const std::vector<ZipItem>& items) {
    ZipWriter zip;
    if (!zip.Open(path)) return false;
    for (const ZipItem& item : items) {
        bool ok = !item.name.empty() && item.name.back() == '/' ? zip.AddFolder(item.name, item.time)
                                                                 : zip.AddData(item.name, item.data, item.time);
        if (!ok) return false;
    }
    return zip.Close();
}

namespace {
class TreeLister : public CBrowseDir {
public:
    std::vector<std::wstring> folders;
    void ProcessDir(const std::wstring& dir, const std::wstring& parent) override {
        if (!parent.empty()) folders.push_back(dir);
    }
};

std::vector<std::wstring> ListTree(const std::wstring& folder, std::vector<std::wstring>* folders) {
    std::wstring cwd = platform::CurrentDirectory();
    TreeLister lister;
    std::vector<std::wstring> files;
    if (lister.SetInitDir(folder)) lister.BeginBrowse(L"*.*", files, true);
    platform::SetCurrentDirectory(cwd);
    if (folders) *folders = lister.folders;
    return files;
}

std::string ZipName(const std::wstring& folder, const std::wstring& path) {
    std::wstring rel = path.substr(folder.size() + 1);
    for (wchar_t& c : rel)
        if (c == L'\\') c = L'/';
    return platform::WideToAnsi(rel);
}
}  // namespace

bool ZipFolder(const std::wstring& folder, const std::wstring& zipPath) {
    std::vector<std::wstring> folders;
    std::vector<std::wstring> files = ListTree(folder, &folders);
    ZipWriter zip;
    if (!zip.Open(zipPath)) return false;
    for (const std::wstring& d : folders)
        if (!zip.AddFolder(ZipName(folder, d), {2021, 1, 2, 3, 4, 6})) return false;
    for (const std::wstring& f : files)
        if (!zip.AddFile(ZipName(folder, f), f, {2021, 1, 2, 3, 4, 6})) return false;
    return zip.Close();
}

std::vector<std::pair<std::wstring, std::string>> Snapshot(const std::wstring& folder) {
    std::vector<std::pair<std::wstring, std::string>> out;
    for (const std::wstring& f : ListTree(folder, nullptr)) out.emplace_back(f.substr(folder.size()), ReadBytes(f));
    std::sort(out.begin(), out.end());
    return out;
}

size_t CountFiles(const std::wstring& folder) { return ListTree(folder, nullptr).size(); }

std::string Pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 31 + 7) % 251);
    return s;
}

bool MakeManyEmptyEntriesZip(const std::wstring& path, int count, const std::function<std::string(int)>& nameOf) {
    const uint32_t dosTime = 0, dosDate = (40u << 9) | (1u << 5) | 1u;  // 2020-01-01
    std::string locals, central;
    for (int i = 0; i < count; ++i) {
        std::string name = nameOf(i);
        uint32_t offset = static_cast<uint32_t>(locals.size());
        Put32(locals, 0x04034b50);
        Put16(locals, 10);
        Put16(locals, 0);
        Put16(locals, 0);
        Put16(locals, dosTime);
        Put16(locals, dosDate);
        Put32(locals, 0);
        Put32(locals, 0);
        Put32(locals, 0);
        Put16(locals, static_cast<uint32_t>(name.size()));
        Put16(locals, 0);
        locals += name;
        Put32(central, 0x02014b50);
        Put16(central, 20);
        Put16(central, 10);
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, dosTime);
        Put16(central, dosDate);
        Put32(central, 0);
        Put32(central, 0);
        Put32(central, 0);
        Put16(central, static_cast<uint32_t>(name.size()));
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, 0);
        Put32(central, offset);
        central += name;
    }
    std::string out = locals + central;
    const uint64_t cdOffset = locals.size(), cdSize = central.size(), zip64End = out.size();
    Put32(out, 0x06064b50);  // Zip64 end of central directory record
    Put64(out, 44);
    Put16(out, 45);
    Put16(out, 45);
    Put32(out, 0);
    Put32(out, 0);
    Put64(out, static_cast<uint64_t>(count));
    Put64(out, static_cast<uint64_t>(count));
    Put64(out, cdSize);
    Put64(out, cdOffset);
    Put32(out, 0x07064b50);  // its locator
    Put32(out, 0);
    Put64(out, zip64End);
    Put32(out, 1);
    Put32(out, 0x06054b50);  // end of central directory
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, 0xFFFF);
    Put16(out, 0xFFFF);
    Put32(out, static_cast<uint32_t>(cdSize));
    Put32(out, static_cast<uint32_t>(cdOffset));
    Put16(out, 0);
    return WriteBytes(path, out);
}
