// The pack tool end to end: packs it makes pass its check, and every
// single-fault variant is refused with the upgrade tool's message.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "PackTestSupport.h"
#include "RawZip.h"
#include "packtool/PackTool.h"
#include "packtool/SourceTree.h"
#include "pack/FolderMD5Check.h"
#include "pack/MD5IniFile.h"
#include "pack/PackVerifyInfo.h"
#include "pack/ZipExtraction.h"
#include "pack/Unzip.h"
#include "platform/Text.h"
#include "support/TestPack.h"

namespace {

const char kDamaged[] = "升级失败，升级包被损坏.\n";

struct ToolRun {
    int code;
    std::string out, err;
};

ToolRun Tool(const std::vector<std::wstring>& args) {
    ToolOutput io;
    int code = RunPackTool(args, io);
    return {code, io.out, io.err};
}

// A source folder with files in sub-folders, an empty folder and a GBK name.
void MakeSource(const std::wstring& src) {
    ASSERT_TRUE(WriteFileTree(src, L"app.bin", Pattern(70000)));
    ASSERT_TRUE(WriteFileTree(src, L"Lib\\Core.dll", Pattern(1234)));
    ASSERT_TRUE(WriteFileTree(src, L"Lib\\中文.txt", "zh"));
    ASSERT_TRUE(WriteFileTree(src, L"conf\\FolderMD5.ini", "not the manifest"));
    ASSERT_TRUE(platform::MakeDirectory(src + L"\\empty"));
    ASSERT_TRUE(platform::SetFileLocalTime(src + L"\\app.bin", {2019, 7, 8, 9, 10, 12}));
}

class PackToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        MakeSource(m_dir / L"src");
        ASSERT_EQ(Tool({L"make", L"--model", L"M3710", L"--kind", L"app", L"-o", Pack(), m_dir / L"src"}).code, 0);
    }
    std::wstring Pack() const { return m_dir / L"AppUpgradePack.zip"; }
    ToolRun Check(const std::wstring& pack, const wchar_t* model = L"M3710", const wchar_t* kind = L"app") {
        return Tool({L"check", L"--model", model, L"--kind", kind, pack});
    }
    // Extracts the good pack, changes it, zips it again.
    std::wstring Variant(const std::function<void(const std::wstring&)>& change) {
        std::wstring folder = m_dir / (L"v" + std::to_wstring(m_variants));
        std::wstring zip = folder + L".zip";
        ++m_variants;
        EXPECT_EQ(unzip(folder.c_str(), Pack().c_str()), 0);
        change(folder);
        EXPECT_TRUE(ZipFolder(folder, zip));
        return zip;
    }
    // The good pack's entries, then `extra` ones.
    std::wstring WithEntries(const std::vector<ZipItem>& extra) {
        std::wstring folder = m_dir / (L"w" + std::to_wstring(m_variants));
        std::wstring zip = folder + L".zip";
        ++m_variants;
        EXPECT_EQ(unzip(folder.c_str(), Pack().c_str()), 0);
        std::vector<ZipItem> items;
        for (const auto& [path, bytes] : Snapshot(folder)) {
            std::wstring name = path.substr(1);
            for (wchar_t& c : name)
                if (c == L'\\') c = L'/';
            items.push_back({platform::WideToAnsi(name), bytes});
        }
        items.insert(items.end(), extra.begin(), extra.end());
        EXPECT_TRUE(MakeZip(zip, items));
        return zip;
    }
    static void RewriteManifest(const std::wstring& folder, const std::function<void(IniEntries&)>& edit) {
        CMD5IniFile ini;
        ASSERT_TRUE(ini.LoadIniFile(folder + L"\\FolderMD5.ini", false));
        IniEntries md5;
        ASSERT_TRUE(ini.GetSection(L"MD5", md5));
        edit(md5);
        ASSERT_TRUE(WriteBytes(folder + L"\\FolderMD5.ini", EncodeIniSections({{L"MD5", md5}})));
    }

    TestFolder m_dir;
    int m_variants = 0;
};

TEST_F(PackToolTest, MadePackPassesItsCheckAndHoldsWhatTheToolReads) {
    ToolRun r = Check(Pack());
    EXPECT_EQ(r.code, 0) << r.out << r.err;

    std::wstring x = m_dir / L"x";
    ASSERT_EQ(unzip(x.c_str(), Pack().c_str()), 0);
    EXPECT_EQ(ReadBytes(x + L"\\UpgradePack.verify").size(), 1544u);
    EXPECT_EQ(ReadBytes(x + L"\\Lib\\中文.txt"), "zh");
    EXPECT_TRUE(platform::IsDirectory(x + L"\\empty"));
    platform::LocalTime t{};
    ASSERT_TRUE(platform::GetFileLocalTime(x + L"\\app.bin", &t));  // the entry carries the file's time
    EXPECT_EQ(std::vector<int>({t.year, t.month, t.day, t.hour, t.minute, t.second}),
              std::vector<int>({2019, 7, 8, 9, 10, 12}));
    CMD5IniFile ini;
    ASSERT_TRUE(ini.LoadIniFile(x + L"\\FolderMD5.ini", false));
    IniEntries md5;
    ASSERT_TRUE(ini.GetSection(L"MD5", md5));
    EXPECT_EQ(md5.size(), 5u);  // four files and the verify record
    EXPECT_EQ(md5.count(L".\\Lib\\Core.dll"), 1u);  // letter case as on disk
    EXPECT_EQ(md5.count(L".\\UpgradePack.verify"), 1u);
    EXPECT_EQ(md5.count(L".\\conf\\FolderMD5.ini"), 1u);
    for (const auto& kv : md5) EXPECT_EQ(kv.second.find_first_not_of(L"0123456789abcdef"), std::wstring::npos);

    ToolRun info = Tool({L"info", Pack()});
    EXPECT_EQ(info.code, 0);
    EXPECT_EQ(info.out, "model: M3710\nkind: 0 (APP)\nentries: 9\nmanifest: yes\nverify file: yes\n");
}

TEST_F(PackToolTest, EverySingleFaultIsRefusedWithItsMessage) {
    auto damaged = [&](const std::wstring& zip) {
        ToolRun r = Check(zip);
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.out, kDamaged);
    };
    damaged(Variant([](const std::wstring& f) {
        std::string b = ReadBytes(f + L"\\Lib\\Core.dll");
        b[100] ^= 1;
        WriteBytes(f + L"\\Lib\\Core.dll", b);
    }));
    damaged(Variant([](const std::wstring& f) { WriteBytes(f + L"\\extra.txt", "x"); }));
    damaged(Variant([](const std::wstring& f) { platform::RemoveFile(f + L"\\app.bin"); }));
    damaged(Variant([](const std::wstring& f) {
        RewriteManifest(f, [](IniEntries& m) {
            m[L".\\lib\\Core.dll"] = m[L".\\Lib\\Core.dll"];
            m.erase(L".\\Lib\\Core.dll");
        });
    }));
    damaged(Variant([](const std::wstring& f) {
        RewriteManifest(f, [](IniEntries& m) { m[L";"] = L"; made by hand"; });
    }));
    damaged(Variant([](const std::wstring& f) {
        RewriteManifest(f, [](IniEntries& m) {
            std::wstring& v = m[L".\\app.bin"];
            for (wchar_t& c : v) c = static_cast<wchar_t>(towupper(c));
        });
    }));
    // The unchanged round trip through the same helpers still passes.
    EXPECT_EQ(Check(Variant([](const std::wstring&) {})).code, 0);

    ToolRun model = Check(Pack(), L"M2410");
    EXPECT_EQ(model.code, 1);
    EXPECT_EQ(model.out, "升级失败,M3710 与 M2410不能匹配\n");
    ToolRun kind = Check(Pack(), L"M3710", L"system");
    EXPECT_EQ(kind.code, 1);
    EXPECT_EQ(kind.out, "升级失败,APP 与 SYSTEM不能匹配\n");
    ToolRun both = Check(Pack(), L"M2450", L"tool");
    EXPECT_EQ(both.out, "升级失败,M3710 与 M2450不匹配,APP 与 TOOL也不匹配\n");
}

TEST_F(PackToolTest, VariantsAndToolPacks) {
    const std::wstring src = m_dir / L"src";
    ASSERT_EQ(Tool({L"make", L"--model", L"M3710S5", L"--kind", L"system", L"-o", m_dir / L"s5.zip", src}).code, 0);
    EXPECT_EQ(Check(m_dir / L"s5.zip", L"M3710", L"system").code, 0);
    ASSERT_EQ(Tool({L"make", L"--model", L"VK1500", L"--kind", L"app", L"-o", m_dir / L"vk.zip", src}).code, 0);
    EXPECT_EQ(Check(m_dir / L"vk.zip", L"M2480").code, 0);
    ToolRun vk = Check(m_dir / L"vk.zip", L"VK1200");
    EXPECT_EQ(vk.code, 1);
    EXPECT_EQ(vk.out, "升级失败,VK1500 与 VK1200不能匹配\n");
    ASSERT_EQ(Tool({L"make", L"--model", L"M2410", L"--kind", L"tool", L"-o", m_dir / L"t.zip", src}).code, 0);
    for (const wchar_t* model : {L"M2450", L"HTR940", L"VK1200"})
        EXPECT_EQ(Check(m_dir / L"t.zip", model, L"tool").code, 0) << platform::WideToUtf8(model);
}

TEST_F(PackToolTest, NeitherSourceNorCurrentFolderIsTouched) {
    const std::wstring src = m_dir / L"src";
    const auto before = Snapshot(src);
    const std::wstring cwdPath = m_dir / L"cwd";
    ASSERT_TRUE(platform::MakeDirectory(cwdPath));
    const std::wstring saved = platform::CurrentDirectory();
    ASSERT_TRUE(platform::SetCurrentDirectory(cwdPath));
    EXPECT_EQ(Check(Pack()).code, 0);
    EXPECT_EQ(Tool({L"info", Pack()}).code, 0);
    EXPECT_TRUE(Snapshot(cwdPath).empty());
    EXPECT_EQ(platform::CurrentDirectory(), cwdPath);
    // make without -o writes the default name here, and only that.
    EXPECT_EQ(Tool({L"make", L"--model", L"M2410", L"--kind", L"system", src}).code, 0);
    EXPECT_TRUE(platform::PathExists(cwdPath + L"\\SystemUpgradePack.zip"));
    EXPECT_EQ(Snapshot(cwdPath).size(), 1u);
    platform::SetCurrentDirectory(saved);
    EXPECT_EQ(Snapshot(src), before);
}

TEST_F(PackToolTest, UsageAndInputErrors) {
    EXPECT_EQ(Tool({}).code, 2);
    EXPECT_EQ(Tool({L"--help"}).code, 0);
    for (const wchar_t* cmd : {L"make", L"check", L"info"}) {
        ToolRun h = Tool({cmd, L"--help"});
        EXPECT_EQ(h.code, 0);
        EXPECT_NE(h.out.find("usage: packtool"), std::string::npos);
    }
    EXPECT_EQ(Tool({L"frobnicate"}).code, 2);
    EXPECT_EQ(Tool({L"check", L"--model", L"M3710S5", L"--kind", L"app", Pack()}).code, 2);  // not a table model
    EXPECT_EQ(Tool({L"check", L"--model", L"M3710", L"--kind", L"firmware", Pack()}).code, 2);
    EXPECT_EQ(Tool({L"check", L"--model", L"M3710", Pack()}).code, 2);
    ToolRun missing = Check(m_dir / L"nope.zip");
    EXPECT_EQ(missing.code, 2);
    EXPECT_NE(missing.err.find("nope.zip"), std::string::npos);
    ASSERT_TRUE(WriteBytes(m_dir / L"junk.zip", "junk"));
    EXPECT_EQ(Check(m_dir / L"junk.zip").code, 2);
    EXPECT_EQ(Tool({L"info", m_dir / L"junk.zip"}).code, 2);
    EXPECT_EQ(Tool({L"make", L"--model", L"M3710", L"--kind", L"app", m_dir / L"no-folder"}).code, 2);
    EXPECT_EQ(Tool({L"make", L"--model", L"M3710", L"--kind", L"app", L"-o", m_dir / L"src\\in.zip", m_dir / L"src"})
                  .code,
              2);
    // A pack without verify file reads as an empty model of kind 0.
    ASSERT_TRUE(MakeZip(m_dir / L"bare.zip", {{"a.txt", "a"}}));
    ToolRun bare = Check(m_dir / L"bare.zip");
    EXPECT_EQ(bare.code, 1);
    EXPECT_EQ(bare.out, "升级失败, 与 M3710不能匹配\n");
}

// Sets the folder of temporary files for the tool (TMPDIR natively, TMP and
// TEMP on Windows) and puts the old one back.
class TempDirectoryOverride {
public:
    explicit TempDirectoryOverride(const std::wstring& dir) {
#ifdef _WIN32
        m_saved = _wgetenv(L"TMP") ? _wgetenv(L"TMP") : L"";
        _wputenv_s(L"TMP", dir.c_str());
        _wputenv_s(L"TEMP", dir.c_str());
#else
        m_saved = getenv("TMPDIR") ? platform::Utf8ToWide(getenv("TMPDIR")) : L"";
        std::string native = platform::WideToUtf8(dir);
        for (char& c : native)
            if (c == '\\') c = '/';
        setenv("TMPDIR", native.c_str(), 1);
#endif
    }
    ~TempDirectoryOverride() {
#ifdef _WIN32
        _wputenv_s(L"TMP", m_saved.c_str());
        _wputenv_s(L"TEMP", m_saved.c_str());
#else
        if (m_saved.empty())
            unsetenv("TMPDIR");
        else
            setenv("TMPDIR", platform::WideToUtf8(m_saved).c_str(), 1);
#endif
    }

private:
    std::wstring m_saved;
};

TEST_F(PackToolTest, ArchivesNotWhollyExtractedAreDamagedAndTheScratchFolderGoes) {
    const std::wstring tmp = m_dir / L"tmp";
    ASSERT_TRUE(platform::MakeDirectory(tmp));
    std::vector<std::wstring> packs = {
        WithEntries({{"app.bin", "a second app.bin"}}),
        WithEntries({{"UpgradePack.verify", std::string(1544, '\0')}}),
        WithEntries({{"../outside.txt", "x"}}),
        WithEntries({{"Lib./hidden.txt", "x"}}),
    };
    // info reads the structure and names only; a CRC shows when extracting.
    RawEntry badCrc = DeflatedEntry("b.txt", Pattern(500));
    badCrc.crc ^= 1;
    ASSERT_TRUE(WriteBytes(m_dir / L"crc.zip", BuildRawZip({StoredEntry("a.txt", "a"), badCrc})));
    {
        TempDirectoryOverride useTmp(tmp);
        for (const std::wstring& pack : packs) {
            ToolRun info = Tool({L"info", pack});
            EXPECT_NE(info.out.find("\ndamaged: "), std::string::npos) << info.out;
        }
        packs.push_back(m_dir / L"crc.zip");
        for (const std::wstring& pack : packs) {
            ToolRun r = Check(pack);
            EXPECT_EQ(r.code, 1) << r.err;
            EXPECT_EQ(r.out, kDamaged);
            EXPECT_NE(r.err.find(": damaged: "), std::string::npos) << r.err;
        }
        EXPECT_EQ(Check(Pack()).code, 0);
    }
    EXPECT_EQ(Snapshot(tmp).size(), 0u);
    std::vector<platform::DirEntry> left;
    ASSERT_TRUE(platform::ListDirectory(tmp, L"*.*", &left));
    for (const auto& e : left) EXPECT_TRUE(e.name == L"." || e.name == L"..") << platform::WideToUtf8(e.name);
}

TEST_F(PackToolTest, InfoAndCheckRefuseTheSamePacks) {
    const std::wstring tmp = m_dir / L"tmp";
    ASSERT_TRUE(platform::MakeDirectory(tmp));
    // An end record alone extracts to nothing: not damaged, it matches no model.
    ASSERT_TRUE(MakeZip(m_dir / L"empty.zip", {}));
    // A name that fits the archive but not the output path under the
    // temporary folder where check extracts.
    const std::wstring longPack = WithEntries({{std::string(230, 'n'), "x"}});
    TempDirectoryOverride useTmp(tmp);
    ToolRun emptyInfo = Tool({L"info", m_dir / L"empty.zip"});
    EXPECT_EQ(emptyInfo.code, 0);
    EXPECT_EQ(emptyInfo.out, "model: \nkind: 0 (APP)\nentries: 0\nmanifest: no\nverify file: no\n");
    EXPECT_EQ(Check(m_dir / L"empty.zip").out, "升级失败, 与 M3710不能匹配\n");
    ToolRun longCheck = Check(longPack);
    EXPECT_EQ(longCheck.out, kDamaged);
    EXPECT_NE(longCheck.err.find("an output path of 260 units or more"), std::string::npos) << longCheck.err;
    EXPECT_NE(Tool({L"info", longPack}).out.find("\ndamaged: an output path of 260 units or more"), std::string::npos);
}

TEST_F(PackToolTest, MakePacksEveryFileOfALongFolderOrNamesTheOneItCannotTake) {
    // The source folder's own path is past 260 units; the names inside are short.
    std::wstring deep = m_dir / L"long";
    ASSERT_TRUE(platform::MakeDirectory(deep));
    while (deep.size() < 300) {
        deep += L"\\" + std::wstring(60, L'd');
        ASSERT_TRUE(platform::MakeDirectory(LongPath(deep)));
    }
    ASSERT_TRUE(platform::MakeDirectory(LongPath(deep + L"\\sub")));
    ASSERT_TRUE(WriteBytes(LongPath(deep + L"\\a.txt"), "a"));
    ASSERT_TRUE(WriteBytes(LongPath(deep + L"\\sub\\b.bin"), Pattern(5000)));
    ToolRun made = Tool({L"make", L"--model", L"M3710", L"--kind", L"app", L"-o", m_dir / L"long.zip", deep});
    ASSERT_EQ(made.code, 0) << made.err;
    EXPECT_EQ(Check(m_dir / L"long.zip").code, 0);
    const std::wstring x = m_dir / L"x";
    ASSERT_EQ(unzip(x.c_str(), (m_dir / L"long.zip").c_str()), 0);
    EXPECT_EQ(ReadBytes(x + L"\\sub\\b.bin"), Pattern(5000));
    CMD5IniFile ini;
    ASSERT_TRUE(ini.LoadIniFile(x + L"\\FolderMD5.ini", false));
    IniEntries md5;
    ASSERT_TRUE(ini.GetSection(L"MD5", md5));
    EXPECT_EQ(md5.size(), 3u);
    EXPECT_EQ(md5.count(L".\\sub\\b.bin"), 1u);

    // A name too long to extract is named, and nothing is written.
    const std::wstring tooLong = deep + L"\\sub\\" + std::wstring(200, L'n');
    ASSERT_TRUE(platform::MakeDirectory(LongPath(tooLong)));
    ASSERT_TRUE(WriteBytes(LongPath(tooLong + L"\\" + std::wstring(60, L'm')), "m"));
    ToolRun refused = Tool({L"make", L"--model", L"M3710", L"--kind", L"app", L"-o", m_dir / L"bad.zip", deep});
    EXPECT_EQ(refused.code, 2);
    EXPECT_NE(refused.err.find(std::string(60, 'm') + ": name is too long to extract"), std::string::npos);
    EXPECT_FALSE(platform::PathExists(m_dir / L"bad.zip"));
#ifndef _WIN32
    // A FIFO would block the hashing for ever: it is refused by name at once.
    const std::wstring src = m_dir / L"src";
    std::string fifo = platform::WideToUtf8(src + L"\\Lib\\pipe");
    for (char& c : fifo)
        if (c == '\\') c = '/';
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ToolRun r = Tool({L"make", L"--model", L"M3710", L"--kind", L"app", L"-o", m_dir / L"bad.zip", src});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("pipe: not a regular file"), std::string::npos) << r.err;
    EXPECT_FALSE(platform::PathExists(m_dir / L"bad.zip"));
#endif
}

TEST_F(PackToolTest, ShortVerifyRecordAndControlCharactersInTheModelName) {
    // A short record shows both boxes and then matches nothing.
    ToolRun shortRecord = Check(Variant([](const std::wstring& f) {
        const std::string cut = ReadBytes(f + L"\\UpgradePack.verify").substr(0, 1543);
        WriteBytes(f + L"\\UpgradePack.verify", cut);
        RewriteManifest(f, [&](IniEntries& m) { m[L".\\UpgradePack.verify"] = platform::AnsiToWide(Md5Hex(cut)); });
    }));
    EXPECT_EQ(shortRecord.code, 1);
    EXPECT_EQ(shortRecord.out, "升级失败, 与 M3710不能匹配\n");
    EXPECT_NE(shortRecord.err.find("读取升级包验证文件异常!"), std::string::npos);

    ASSERT_TRUE(WriteTestPack(m_dir / L"cr.zip", PackRecipe::For(L"M3710\r\naccepted\x1b[2K", 0)));
    ToolRun r = Check(m_dir / L"cr.zip");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "升级失败,M3710\\r\\naccepted\\x1B[2K 与 M3710不能匹配\n");
    const std::string model = "model: M3710\\r\\naccepted\\x1B[2K\n";
    EXPECT_EQ(Tool({L"info", m_dir / L"cr.zip"}).out.substr(0, model.size()), model);
}

TEST_F(PackToolTest, MakeRefusesNamesCheckCouldNotReadBack) {
    std::vector<std::wstring> names = {L"a=b.txt"};
#ifndef _WIN32
    // Names Windows cannot even hold: a trailing dot, two spellings of one name.
    names.push_back(L"trail.");
    names.push_back(L"Lib\\core.dll");
#endif
    for (const std::wstring& name : names) {
        const std::wstring src = m_dir / L"src2";
        platform::RemoveTree(src);
        MakeSource(src);
        ASSERT_TRUE(WriteFileTree(src, name, "x"));
        ToolRun r = Tool({L"make", L"--model", L"M3710", L"--kind", L"app", L"-o", m_dir / L"bad.zip", src});
        EXPECT_EQ(r.code, 2) << platform::WideToUtf8(name);
        EXPECT_NE(r.err.find(platform::WideToUtf8(name.substr(name.find_last_of(L'\\') + 1))), std::string::npos)
            << r.err;
        EXPECT_FALSE(platform::PathExists(m_dir / L"bad.zip"));
    }
}

// The zips of other projects' test suites, each made into a pack (verify
// record and manifest inserted before its central directory, every other
// byte kept), must be accepted or refused as the corpus's table says.
TEST_F(PackToolTest, PeerCorporaAreDecidedAsTheirTableSays) {
    const std::wstring corpus = QUILLON_INTEROP_PEERS;
    const std::string table = ReadBytes(corpus + L"\\README.md");
    if (table.empty()) GTEST_SKIP() << "SKIPPED: no peer corpus at " << platform::WideToUtf8(corpus);
    PackVerifyInfo verify{};
    ASSERT_TRUE(verify.Set(L"M3710", 0));
    const std::string verifyBytes(reinterpret_cast<const char*>(verify.bytes), PackVerifyInfo::kSize);

    // Rows the table marks "accept" that the reader-disagreement rule
    // refuses: their Info-ZIP Unicode path fields name other files than
    // their names read in code page 936, so a reader that honours the
    // field extracts other names than the manifest checked.
    const std::map<std::string, std::string> refusedByLaterRule = {
        {"cc_utf8-winzip-test.zip", "a Unicode path field names another file"},
        {"zr_windows-7zip.zip", "a Unicode path field names another file"},
    };
    std::istringstream lines(table);
    std::string line, mismatches;
    int rows = 0, agreed = 0;
    while (std::getline(lines, line)) {
        // | file | repo | path in repo | sha256 | layout | peer expects | want | why |
        std::vector<std::string> cells;
        std::istringstream row(line);
        for (std::string cell; std::getline(row, cell, '|');) {
            const size_t first = cell.find_first_not_of(' '), last = cell.find_last_not_of(' ');
            cells.push_back(first == std::string::npos ? "" : cell.substr(first, last - first + 1));
        }
        if (cells.size() < 9 || (cells[7] != "accept" && cells[7] != "refuse")) continue;
        ++rows;
        const std::string& file = cells[1];
        const auto later = refusedByLaterRule.find(file);
        const std::string want = later != refusedByLaterRule.end() ? "refuse" : cells[7];
        const std::wstring zipPath = corpus + L"\\" + platform::Utf8ToWide(file);
        const std::string zip = ReadBytes(zipPath);
        ASSERT_FALSE(zip.empty()) << file;
        // The manifest lists what the zip extracts to; a zip that does not
        // extract gets a manifest of the verify record alone.
        ExtractedDigests digests;
        const std::wstring out = m_dir / L"peer-out";
        platform::RemoveTree(out);
        IniEntries md5;
        if (ExtractArchive(out, zipPath, &digests).status == 0)
            for (const auto& [key, digest] : digests) md5[key] = digest;
        platform::RemoveTree(out);
        md5[L".\\UpgradePack.verify"] = platform::AnsiToWide(Md5Hex(verifyBytes));
        const std::string manifest = EncodeIniSections({{L"MD5", md5}});
        const std::string pack = InsertBeforeCentralDirectory(
            zip, {StoredEntry("UpgradePack.verify", verifyBytes), StoredEntry("FolderMD5.ini", manifest)});
        const std::wstring packPath = m_dir / L"peer.zip";
        ASSERT_TRUE(WriteBytes(packPath, pack));
        const ToolRun r = Check(packPath);
        const bool accepted = r.code == 0;
        if (!accepted) {
            EXPECT_TRUE(r.code == 1 || r.code == 2) << file << ": exit " << r.code;
        }
        if (later != refusedByLaterRule.end()) {
            EXPECT_NE(r.err.find(later->second), std::string::npos) << file << ": " << r.err;
        }
        if (accepted == (want == "accept")) {
            ++agreed;
        } else {
            mismatches += "\n  " + file + ": want " + want + ", " + (accepted ? "accepted" : "refused: " + r.err);
        }
    }
    EXPECT_EQ(rows, 80);
    EXPECT_EQ(agreed, rows) << agreed << " of " << rows << " as the table says;" << mismatches;
}

#ifndef _WIN32
TEST_F(PackToolTest, AFifoIsRefusedAtOnce) {
    const std::wstring fifo = m_dir / L"fifo.zip";
    std::string native = platform::WideToUtf8(fifo);
    for (char& c : native)
        if (c == '\\') c = '/';
    ASSERT_EQ(mkfifo(native.c_str(), 0600), 0);
    ToolRun r = Check(fifo);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("not a regular file"), std::string::npos);
    EXPECT_EQ(Tool({L"info", fifo}).code, 2);
}
#endif

}  // namespace
