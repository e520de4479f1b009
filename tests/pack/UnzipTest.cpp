// Extraction: the folder tree, times, overwrite rules, results, and the
// refusals that keep a pack inside the destination and off a full disk.
#include <gtest/gtest.h>
#include <zlib.h>

#include <sys/stat.h>

#include "PackTestSupport.h"
#include "pack/Unzip.h"
#include "pack/ZipExtraction.h"
#include "pack/ZipWriter.h"
#include "platform/Text.h"

namespace {

int Extract(const std::wstring& dest, const std::wstring& zip) { return unzip(dest.c_str(), zip.c_str()); }

std::string Deflate(const std::string& data) {
    z_stream s{};
    deflateInit2(&s, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&s, data.size()), '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    s.avail_in = static_cast<uInt>(data.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = static_cast<uInt>(out.size());
    deflate(&s, Z_FINISH);
    out.resize(s.total_out);
    deflateEnd(&s);
    return out;
}

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

TEST(Unzip, ReadOnlyFileInTheWayIsLeftAndTheWalkGoesOn) {
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
    EXPECT_EQ(Extract(dir / L"out", dir / L"p.zip"), 0);
    EXPECT_EQ(ReadBytes(dir / L"out\\a.txt"), "old");
    EXPECT_EQ(ReadBytes(dir / L"out\\b.txt"), "bee");
#ifdef _WIN32
    _wchmod((dir / L"out\\a.txt").c_str(), 0666);
#endif
}

TEST(Unzip, NamesThatLeaveTheDestinationOrOverflowAreSkipped) {
    TestFolder dir;
    ASSERT_TRUE(MakeDirectoryChain(dir / L"deep\\out"));
    ASSERT_TRUE(MakeZip(dir / L"evil.zip", {{"../evil1.txt", "x"},
                                            {"a/../../evil2.txt", "x"},
                                            {"..\\evil3.txt", "x"},
                                            {"/evil4.txt", "x"},
                                            {"\\evil5.txt", "x"},
                                            {"C:/evil6.txt", "x"},
                                            {"c:evil7.txt", "x"},
                                            {"a/. ./evil8.txt", "x"},
                                            {"a/.../evil9.txt", "x"},
                                            {std::string(300, 'n'), "x"},
                                            {"ok/..name.txt", "fine"}}));
    EXPECT_EQ(Extract(dir / L"deep\\out", dir / L"evil.zip"), 0);
    auto files = Snapshot(dir.Path());
    ASSERT_EQ(files.size(), 2u);  // the archive and the one good entry
    EXPECT_EQ(files[0].first, L"\\deep\\out\\ok\\..name.txt");

    // An output path beyond 259 units is refused, not cut.
    std::wstring longDest = dir.Path() + L"\\" + std::wstring(250 - dir.Path().size(), L'd');
    ASSERT_TRUE(MakeZip(dir / L"long.zip", {{"s.txt", "s"}, {std::string(20, 'l') + ".txt", "l"}}));
    EXPECT_EQ(Extract(longDest, dir / L"long.zip"), 0);
    EXPECT_EQ(ReadBytes(longDest + L"\\s.txt"), "s");
    EXPECT_EQ(Snapshot(longDest).size(), 1u);

    EXPECT_TRUE(IsSafeEntryName(L"a/b\\c.txt"));
    EXPECT_TRUE(IsSafeEntryName(L"..a/b.."));
    EXPECT_FALSE(IsSafeEntryName(L".."));
    EXPECT_FALSE(IsSafeEntryName(L"a/.."));
    EXPECT_FALSE(IsSafeEntryName(L"file.txt:stream"));
    EXPECT_FALSE(IsSafeEntryName(L"sub/COM1.txt"));
    EXPECT_FALSE(IsSafeEntryName(L"nul"));
    EXPECT_FALSE(IsSafeEntryName(L"Aux /x"));
    EXPECT_TRUE(IsSafeEntryName(L"COM10.txt"));
    EXPECT_TRUE(IsSafeEntryName(L"console.log"));
}

TEST(Unzip, GbkArchiveAndEntryNames) {
    TestFolder dir;
    // "中文.txt" and "乗\.txt" in GBK: the second's trail byte is 0x5C, which
    // must not be taken for a separator.
    ASSERT_TRUE(MakeZip(dir / L"升级包.zip", {{"\xd6\xd0\xce\xc4.txt", "zh"}, {"\x81\x5c.txt", "trail"}}));
    EXPECT_EQ(Extract(dir / L"out", dir / L"升级包.zip"), 0);
    EXPECT_EQ(ReadBytes(dir / L"out\\中文.txt"), "zh");
    EXPECT_EQ(ReadBytes(dir / L"out\\乗.txt"), "trail");
}

TEST(Unzip, InflationStopsAtTheDeclaredSizeAndHugeDeclarationsAreRefused) {
    TestFolder dir;
    const std::string zeros(32 * 1024 * 1024, '\0');
    const std::string deflated = Deflate(zeros);
    ZipWriter zip;
    ASSERT_TRUE(zip.Open(dir / L"bomb.zip"));
    ASSERT_TRUE(zip.AddRawDeflated("bomb.bin", deflated, 1000, static_cast<uint32_t>(crc32(0, Z_NULL, 0))));
    ASSERT_TRUE(zip.Close());
    Extract(dir / L"out", dir / L"bomb.zip");
    uint64_t size = 0;
    ASSERT_TRUE(platform::FileSize(dir / L"out\\bomb.bin", &size));
    EXPECT_EQ(size, 1000u);

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

TEST(Unzip, HundredThousandEmptyEntries) {
    TestFolder dir;
#ifdef _WIN32
    // Creating 100000 files under Wine takes minutes: here most entries are
    // refused names, and every thousandth is a file that shows the walk got there.
    auto name = [](int i) { return i % 1000 == 999 ? "e/" + std::to_string(i) : "../x/" + std::to_string(i); };
    const size_t expected = 100;
#else
    auto name = [](int i) { return "e/" + std::to_string(i % 100) + "/" + std::to_string(i); };
    const size_t expected = 100000;
#endif
    ASSERT_TRUE(MakeManyEmptyEntriesZip(dir / L"many.zip", 100000, name));
    EXPECT_EQ(Extract(dir / L"out", dir / L"many.zip"), 0);
    EXPECT_TRUE(platform::PathExists(dir / L"out\\e\\99\\99999") || platform::PathExists(dir / L"out\\e\\99999"));
    EXPECT_EQ(CountFiles(dir / L"out"), expected);
    EXPECT_FALSE(platform::PathExists(dir / L"x"));
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
