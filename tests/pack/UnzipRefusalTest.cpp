// Archives that unzip refuses as damaged: entries that fail to extract,
// wrong counts, unsafe or colliding names, shared data. Nothing about a
// refused archive may pass for a good one.
#include <gtest/gtest.h>

#include "PackTestSupport.h"
#include "RawZip.h"
#include "pack/EntryData.h"
#include "pack/Unzip.h"
#include "pack/ZipExtraction.h"

namespace {

UnzipOutcome ExtractBytes(const TestFolder& dir, const std::string& zipBytes, const std::wstring& dest) {
    EXPECT_TRUE(WriteBytes(dir / L"p.zip", zipBytes));
    platform::RemoveTree(dest);
    return ExtractArchive(dest, dir / L"p.zip");
}

TEST(UnzipRefusal, EntriesThatFailToExtractAreDamage) {
    const std::string text = Pattern(3000);
    std::vector<std::pair<const char*, RawEntry>> faults;
    RawEntry corrupt = DeflatedEntry("f.bin", text);
    corrupt.payload = std::string(40, '\xff');
    faults.emplace_back("corrupt deflate data", corrupt);
    for (uint16_t method : {12, 14, 1}) {  // bzip2, LZMA, shrink
        RawEntry other = StoredEntry("f.bin", text);
        other.method = method;
        faults.emplace_back("another method", other);
    }
    RawEntry encrypted = StoredEntry("f.bin", text);
    encrypted.flags = 1;
    faults.emplace_back("encrypted", encrypted);
    RawEntry badCrc = DeflatedEntry("f.bin", text);
    badCrc.crc ^= 1;
    faults.emplace_back("CRC mismatch", badCrc);
    RawEntry past = StoredEntry("f.bin", text);
    past.offsetOverride = 0x7FFFFF;
    faults.emplace_back("local header past the end", past);
    RawEntry renamed = StoredEntry("f.bin", text);
    renamed.localName = "g.bin";
    faults.emplace_back("local name differs", renamed);
    RawEntry shortData = DeflatedEntry("f.bin", text);
    shortData.size = text.size() + 10;
    faults.emplace_back("less data than declared", shortData);
    RawEntry longData = DeflatedEntry("f.bin", text);
    longData.size = 100;
    faults.emplace_back("more data than declared", longData);

    // Entries are extracted on several threads; whichever finishes first,
    // the first failing entry in archive order names the result.
    RawEntry laterFault = DeflatedEntry("z.txt", Pattern(500));
    laterFault.size = 100;  // found only while its data is written
    TestFolder dir;
    for (const auto& [what, fault] : faults) {
        UnzipOutcome r = ExtractBytes(dir, BuildRawZip({StoredEntry("a.txt", "a"), fault, StoredEntry("z.txt", "z")}),
                                      dir / L"out");
        EXPECT_EQ(r.status, kUnzipDamaged) << what;
        EXPECT_FALSE(r.reason.empty()) << what;
        UnzipOutcome both = ExtractBytes(dir, BuildRawZip({StoredEntry("a.txt", "a"), fault, laterFault}), dir / L"out");
        EXPECT_EQ(both.status, kUnzipDamaged) << what;
        EXPECT_EQ(both.reason, r.reason) << what << ": the earlier entry's fault is the one reported";
    }
    // The same three entries, all sound, pass.
    EXPECT_EQ(ExtractBytes(dir, BuildRawZip({StoredEntry("a.txt", "a"), DeflatedEntry("f.bin", text),
                                             StoredEntry("z.txt", "z")}),
                           dir / L"out")
                  .status,
              kUnzipDone);
    EXPECT_EQ(ReadBytes(dir / L"out\\f.bin"), text);
}

// Deflated entries below the whole-entry cap are inflated in one call, larger
// ones streamed; a fault in either is refused for the same reason.
TEST(UnzipRefusal, DeflateFaultsHaveOneReasonWhateverTheEntrySize) {
    struct Fault {
        const char* what;
        void (*spoil)(RawEntry&, const std::string& data);
        const char* reason;
    };
    const Fault faults[] = {
        {"CRC mismatch", [](RawEntry& e, const std::string&) { e.crc ^= 1; }, "an entry's CRC-32 does not match"},
        {"less data than declared", [](RawEntry& e, const std::string&) { e.size += 10; },
         "an entry holds less data than declared"},
        {"more data than declared", [](RawEntry& e, const std::string&) { e.size -= 10; },
         "an entry holds more data than declared"},
        {"data after the stream", [](RawEntry& e, const std::string&) { e.payload += "tail"; },
         "data after the end of an entry's stream"},
        {"stream cut short", [](RawEntry& e, const std::string&) { e.payload.resize(e.payload.size() / 2); },
         "an entry's stream is cut short"},
    };
    TestFolder dir;
    for (const size_t size : {size_t(3000), size_t(kWholeEntryCap + 4096)}) {
        const std::string data = Pattern(size);
        for (const Fault& f : faults) {
            RawEntry entry = DeflatedEntry("f.bin", data);
            f.spoil(entry, data);
            const UnzipOutcome r = ExtractBytes(dir, BuildRawZip({entry}), dir / L"out");
            EXPECT_EQ(r.status, kUnzipDamaged) << f.what << ", " << size << " bytes";
            EXPECT_EQ(r.reason, f.reason) << f.what << ", " << size << " bytes";
        }
    }
}

TEST(UnzipRefusal, EndRecordMustCountEveryRecord) {
    TestFolder dir;
    const std::vector<RawEntry> entries = {StoredEntry("a.txt", "a"), StoredEntry("b.txt", "b"),
                                           StoredEntry("hidden.txt", "h")};
    RawZipEnd fewer;
    fewer.countDelta = -1;
    RawZipEnd allOnes;
    allOnes.countAllOnes = true;
    for (const RawZipEnd& end : {fewer, allOnes}) {
        EXPECT_EQ(ExtractBytes(dir, BuildRawZip(entries, end), dir / L"out").status, kUnzipDamaged);
        EXPECT_FALSE(platform::PathExists(dir / L"out")) << "refused before anything is written";
    }
    RawZipEnd more;
    more.countDelta = 1;
    EXPECT_NE(ExtractBytes(dir, BuildRawZip(entries, more), dir / L"out").status, kUnzipDone);
}

TEST(UnzipRefusal, UnsafeOrCollidingNamesRefuseThePackBeforeAnyWrite) {
    const std::vector<std::vector<std::string>> refused = {
        {"../evil.txt"}, {"a/../../evil.txt"}, {"..\\evil.txt"}, {"/evil.txt"}, {"\\evil.txt"},
        {"C:/evil.txt"}, {"c:evil.txt"}, {"file.txt:stream"}, {"a/. ./evil.txt"}, {"a/.../evil.txt"},
        {"sub/COM1.txt"}, {"nul"}, {"Aux /x"}, {std::string(300, 'n')}, {"dir./x.txt"}, {"dir /x.txt"},
        {"x.txt."}, {"a//b.txt"}, {"ctl\x01.txt"}, {"\x81\x20.txt"},                  // no GBK form
        {"d", "d/x.txt"}, {"d/x.txt", "d"}, {"d/", "d"}, {"Up/x.txt", "up/y.txt"}, {"same.txt", "same.txt"},
        {"Same.txt", "same.txt"}, {"upgradepack.verify"}, {"FolderMD5.ini/"}};
    TestFolder dir;
    for (const auto& names : refused) {
        std::vector<ZipItem> items = {{"ok.txt", "fine"}};
        for (const std::string& n : names) items.push_back({n, n.back() == '/' ? "" : "x"});
        ASSERT_TRUE(MakeZip(dir / L"p.zip", items));
        platform::RemoveTree(dir / L"out");
        EXPECT_EQ(unzip((dir / L"out").c_str(), (dir / L"p.zip").c_str()), kUnzipDamaged) << names[0];
        EXPECT_FALSE(platform::PathExists(dir / L"out")) << names[0];
    }
    // Links and other special files of Unix hosts.
    RawEntry link = StoredEntry("link", "/etc/passwd");
    link.madeBy = 3 << 8;
    link.external = 0120777u << 16;
    EXPECT_EQ(ExtractBytes(dir, BuildRawZip({StoredEntry("ok.txt", "o"), link}), dir / L"out").status, kUnzipDamaged);
    EXPECT_FALSE(platform::PathExists(dir / L"out"));
    // An output path that would reach 260 units.
    const std::wstring longDest = dir.Path() + L"\\" + std::wstring(250 - dir.Path().size(), L'd');
    ASSERT_TRUE(MakeZip(dir / L"p.zip", {{"s.txt", "s"}, {std::string(20, 'l') + ".txt", "l"}}));
    EXPECT_EQ(unzip(longDest.c_str(), (dir / L"p.zip").c_str()), kUnzipDamaged);
    EXPECT_FALSE(platform::PathExists(longDest));

    // Names that look odd but extract under themselves.
    ASSERT_TRUE(MakeZip(dir / L"p.zip", {{"ok/..name.txt", "1"}, {"..a/b", "2"}, {"COM10.txt", "3"},
                                         {"console.log", "4"}, {"sub/", ""}, {"sub/x", "5"}, {"Sub2/y", "6"}}));
    platform::RemoveTree(dir / L"out");
    EXPECT_EQ(unzip((dir / L"out").c_str(), (dir / L"p.zip").c_str()), kUnzipDone);
    EXPECT_EQ(CountFiles(dir / L"out"), 6u);
}

TEST(UnzipRefusal, RecordsSharingDataAreRefusedBeforeExtraction) {
    // The known way to make a small archive extract to much more: many
    // directory records pointing at one entry's data.
    std::vector<RawEntry> entries = {DeflatedEntry("zeros.bin", std::string(1 << 20, '\0'))};
    for (int i = 0; i < 200; ++i) {
        RawEntry again = entries[0];
        again.sharesLocalOf = 0;
        entries.push_back(again);
    }
    TestFolder dir;
    UnzipOutcome r = ExtractBytes(dir, BuildRawZip(entries), dir / L"out");
    EXPECT_EQ(r.status, kUnzipDamaged);
    EXPECT_EQ(r.reason, "entries overlap in the archive");
    EXPECT_FALSE(platform::PathExists(dir / L"out"));
}

}  // namespace
