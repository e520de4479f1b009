// Extraction: the folder tree, times, overwrite rules, results, and the
// refusals that keep a pack off a full disk.
#include <gtest/gtest.h>
#include <zlib.h>

#include <sys/stat.h>

#include "PackTestSupport.h"
#include "RawZip.h"
#include "pack/Unzip.h"
#include "pack/ZipExtraction.h"
#include "pack/ZipWriter.h"
#include "platform/Text.h"

namespace {

int Extract(const std::wstring& dest, const std::wstring& zip) { return unzip(dest.c_str(), zip.c_str()); }

TEST(Unzip, MissingOrNonZipOrEmptyArchive) {
    TestFolder dir;
    EXPECT_EQ(Extract(dir / L"out", dir / L"missing.zip"), -1);
    ASSERT_TRUE(WriteBytes(dir / L"text.zip", "this is not a zip archive at all"));
    EXPECT_EQ(Extract(dir / L"out", dir / L"text.zip"), -1);
    // An archive that is only its end record: minizip cannot open it (it
    // takes a directory at offset 0 for none), unzip still answers 0.
    ASSERT_TRUE(MakeZip(dir / L"empty.zip", {}));
    EXPECT_EQ(Extract(dir / L"out", dir / L"empty.zip"), 0);
    EXPECT_FALSE(platform::PathExists(dir / L"out"));
    // Truncated archives: refused or cut short, never anything outside.
    ASSERT_TRUE(MakeZip(dir / L"good.zip", {{"a.bin", Pattern(40000)}, {"b.bin", Pattern(100)}}));
    std::string good = ReadBytes(dir / L"good.zip");
    for (size_t keep : {size_t(10), good.size() / 2, good.size() - 30}) {
        ASSERT_TRUE(WriteBytes(dir / L"cut.zip", good.substr(0, keep)));
        EXPECT_EQ(Extract(dir / L"cut", dir / L"cut.zip"), -1) << keep;
    }
    EXPECT_FALSE(platform::PathExists(dir / L"cut"));
    EXPECT_EQ(Snapshot(dir.Path()).size(), 4u);  // the archives themselves
}

TEST(Unzip, BuildsTheTreeWithContentsAndTimesTwiceAlike) {
    TestFolder dir;
    std::vector<ZipItem> items = {
        {"sub/", ""}, {"sub2/a.bin", Pattern(5000)}, {"x/y/z/a.bin", "deep"}, {"top.txt", "top"},
        {"back\\slash.txt", "bs"}};
    items[3].time = {2016, 3, 15, 10, 20, 30};
    ASSERT_TRUE(MakeZip(dir / L"p.zip", items));
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(Extract(dir / L"out", dir / L"p.zip"), 0);
        EXPECT_TRUE(platform::IsDirectory(dir / L"out\\sub"));
        EXPECT_EQ(ReadBytes(dir / L"out\\sub2\\a.bin"), Pattern(5000));
        EXPECT_EQ(ReadBytes(dir / L"out\\x\\y\\z\\a.bin"), "deep");
        EXPECT_EQ(ReadBytes(dir / L"out\\back\\slash.txt"), "bs");
        platform::LocalTime t{};
        ASSERT_TRUE(platform::GetFileLocalTime(dir / L"out\\top.txt", &t));
        EXPECT_EQ(t.year, 2016);
        EXPECT_EQ(t.month, 3);
        EXPECT_EQ(t.day, 15);
        EXPECT_EQ(t.hour, 10);
        EXPECT_EQ(t.minute, 20);
        EXPECT_EQ(t.second, 30);
    }
    EXPECT_EQ(Snapshot(dir / L"out").size(), 4u);
}

TEST(Unzip, ReadOnlyFileInTheWayIsLeftAndThePackIsNotTakenAsExtracted) {
    TestFolder dir;
    ASSERT_TRUE(MakeZip(dir / L"p.zip", {{"a.txt", "new"}, {"b.txt", "bee"}}));
    ASSERT_TRUE(MakeDirectoryChain(dir / L"out"));
    ASSERT_TRUE(WriteBytes(dir / L"out\\a.txt", "old"));
#ifdef _WIN32
    ASSERT_EQ(_wchmod((dir / L"out\\a.txt").c_str(), 0444), 0);
#else
    std::string native = platform::WideToUtf8(dir / L"out\\a.txt");
    for (char& c : native)
        if (c == '\\') c = '/';
    ASSERT_EQ(chmod(native.c_str(), 0444), 0);
#endif
    EXPECT_EQ(Extract(dir / L"out", dir / L"p.zip"), kUnzipDamaged);
    EXPECT_EQ(ReadBytes(dir / L"out\\a.txt"), "old");
#ifdef _WIN32
    _wchmod((dir / L"out\\a.txt").c_str(), 0666);
#endif
}

TEST(Unzip, GbkArchiveAndEntryNames) {
    TestFolder dir;
    // "中文.txt" and "乗\.txt" in GBK: the second's trail byte is 0x5C, which
    // must not be taken for a separator.
    // Cells of the user-defined areas and of a symbol row's gaps name
    // private-use characters, as Windows reads them, in both builds.
    ASSERT_TRUE(MakeZip(dir / L"升级包.zip", {{"\xd6\xd0\xce\xc4.txt", "zh"}, {"\x81\x5c.txt", "trail"},
                                           {"\xaa\xa1\xa7\x41\xfe\xfe\xa2\xab\xfe\x50.txt", "user"}}));
    EXPECT_EQ(Extract(dir / L"out", dir / L"升级包.zip"), 0);
    EXPECT_EQ(ReadBytes(dir / L"out\\中文.txt"), "zh");
    EXPECT_EQ(ReadBytes(dir / L"out\\乗.txt"), "trail");
    EXPECT_EQ(ReadBytes(dir / L"out\\\uE000\uE707\uE4C5\uE766\uE815.txt"), "user");
}

TEST(Unzip, InflationStopsAtTheDeclaredSizeAndHugeDeclarationsAreRefused) {
    TestFolder dir;
    const std::string zeros(32 * 1024 * 1024, '\0');
    const std::string deflated = DeflateRaw(zeros);
    ZipWriter zip;
    ASSERT_TRUE(zip.Open(dir / L"bomb.zip"));
    ASSERT_TRUE(zip.AddRawDeflated("bomb.bin", deflated, 1000, static_cast<uint32_t>(crc32(0, Z_NULL, 0))));
    ASSERT_TRUE(zip.Close());
    EXPECT_EQ(Extract(dir / L"out", dir / L"bomb.zip"), kUnzipDamaged);
    uint64_t size = 0;
    ASSERT_TRUE(platform::FileSize(dir / L"out\\bomb.bin", &size));
    EXPECT_LE(size, 1000u);

    // A thousand entries declaring almost 4 GiB each: terabytes, more than
    // any test disk holds.
    ZipWriter huge;
    ASSERT_TRUE(huge.Open(dir / L"huge.zip"));
    for (int i = 0; i < 1000; ++i)
        ASSERT_TRUE(huge.AddRawDeflated("h" + std::to_string(i), deflated, 0xFFFFFFF0u, 0));
    ASSERT_TRUE(huge.Close());
    EXPECT_EQ(Extract(dir / L"out2", dir / L"huge.zip"), -1);
    EXPECT_FALSE(platform::PathExists(dir / L"out2"));
}

TEST(Unzip, Zip64LocalHeadersAreReadAlikeInBothBuilds) {
    // Writers that may not know an entry's size in advance put all ones in
    // the local header and the sizes in its Zip64 field.
    // Some put all ones only in one size field, and store only that one, or
    // both sizes, in the field (uncompressed first either way).
    TestFolder dir;
    for (uint8_t allOnes : {3, 1, 2}) {
        for (bool full : {false, true}) {
            RawEntry big = DeflatedEntry("z64.bin", Pattern(20000));
            big.zip64Local = allOnes;
            big.zip64Full = full;
            ASSERT_TRUE(WriteBytes(dir / L"z64.zip", BuildRawZip({StoredEntry("a.txt", "a"), big})));
            platform::RemoveTree(dir / L"out");
            EXPECT_EQ(Extract(dir / L"out", dir / L"z64.zip"), 0) << int(allOnes) << full;
            EXPECT_EQ(ReadBytes(dir / L"out\\z64.bin"), Pattern(20000));
            // A field whose value is not the directory's is still refused.
            RawEntry wrong = big;
            wrong.payload += "x";  // the local header states one byte more than the directory
            std::string bytes = BuildRawZip({wrong});
            const std::string good = BuildRawZip({big});
            ASSERT_TRUE(WriteBytes(dir / L"z64.zip", bytes.substr(0, bytes.find("PK\x01\x02")) +
                                                         good.substr(good.find("PK\x01\x02"))));
            EXPECT_EQ(Extract(dir / L"out2", dir / L"z64.zip"), kUnzipDamaged) << int(allOnes) << full;
        }
    }
}

TEST(Unzip, HundredThousandEmptyEntries) {
    TestFolder dir;
    auto name = [](int i) { return "e/" + std::to_string(i % 100) + "/" + std::to_string(i); };
    // Past 65535 entries the counts live in the Zip64 records: the last
    // entry is read, and an unsafe one there refuses the whole archive.
    ASSERT_TRUE(MakeManyEmptyEntriesZip(dir / L"last.zip", 100000,
                                        [&](int i) { return i == 99999 ? "../x" : name(i); }));
    EXPECT_EQ(Extract(dir / L"out", dir / L"last.zip"), kUnzipDamaged);
    EXPECT_FALSE(platform::PathExists(dir / L"out"));
#ifndef _WIN32  // creating 100000 files under Wine takes minutes
    ASSERT_TRUE(MakeManyEmptyEntriesZip(dir / L"many.zip", 100000, name));
    EXPECT_EQ(Extract(dir / L"out", dir / L"many.zip"), 0);
    EXPECT_TRUE(platform::PathExists(dir / L"out\\e\\99\\99999"));
    EXPECT_EQ(CountFiles(dir / L"out"), 100000u);
#endif
}

TEST(Unzip, MakeDirectoryChain) {
    TestFolder dir;
    EXPECT_FALSE(MakeDirectoryChain(L""));
    EXPECT_TRUE(MakeDirectoryChain(dir / L"a\\b/c/"));
    EXPECT_TRUE(platform::IsDirectory(dir / L"a\\b\\c"));
    EXPECT_TRUE(MakeDirectoryChain(dir / L"a\\b\\c\\"));  // already there
    ASSERT_TRUE(WriteBytes(dir / L"file", "f"));
    EXPECT_FALSE(MakeDirectoryChain(dir / L"file\\sub\\"));
}

}  // namespace
