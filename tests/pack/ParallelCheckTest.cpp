// The manifest check hashes files on several threads: every file must get
// its own digest under its own key, whatever thread measured it, and the
// judgement must be the one a single thread would reach.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <vector>

#include "PackTestSupport.h"
#include "pack/FolderMD5Check.h"
#include "pack/IndexedJobs.h"
#include "pack/Md5.h"
#include "pack/ZipExtraction.h"
#include "platform/Text.h"

namespace {

std::wstring Md5Hex(const std::string& bytes) {
    Md5Context ctx;
    Md5Init(&ctx);
    Md5Update(&ctx, bytes.data(), bytes.size());
    uint8_t digest[16];
    Md5Final(&ctx, digest);
    char hex[33];
    for (int i = 0; i < 16; ++i) std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    return platform::AnsiToWide(hex);
}

TEST(IndexedJobs, EveryIndexRunsOnceAndAFailureReachesTheCaller) {
    for (unsigned threads : {0u, 1u, 2u, 4u, 64u}) {
        for (size_t count : {size_t(0), size_t(1), size_t(3), size_t(500)}) {
            std::vector<std::atomic<int>> runs(count);
            RunIndexedJobs(count, threads, [&](size_t i) { runs[i].fetch_add(1); });
            for (size_t i = 0; i < count; ++i) ASSERT_EQ(runs[i].load(), 1) << threads << " threads, job " << i;
        }
    }
    EXPECT_THROW(RunIndexedJobs(100, 4, [](size_t i) { if (i == 37) throw std::runtime_error("job 37"); }),
                 std::runtime_error);
}

// 120 files of different sizes (up to a few 64 KiB blocks) in five folders.
TEST(FolderMD5Check, ManyFilesOnSeveralThreadsAreJudgedAsOne) {
    TestFolder dir;
    IniEntries expected;
    for (int i = 0; i < 120; ++i) {
        const std::wstring key = L"d" + std::to_wstring(i % 5) + L"\\f" + std::to_wstring(i) + L".bin";
        std::string bytes = Pattern(static_cast<size_t>(i) * 1777 + (i % 7) * 65536);
        if (!bytes.empty()) bytes[0] = static_cast<char>(i);  // no two files alike
        ASSERT_TRUE(WriteFileTree(dir.Path(), key, bytes));
        expected[L".\\" + key] = Md5Hex(bytes);
    }
    ASSERT_TRUE(WriteBytes(dir / L"FolderMD5.ini", EncodeIniSections({{L"MD5", expected}})));
    {
        CFolderMD5Check check(dir.Path());
        EXPECT_FALSE(check.IsDamaged());
        EXPECT_EQ(check.MeasuredEntries(), expected);
    }
    // One changed file among many: damage, and only its value differs.
    ASSERT_TRUE(WriteBytes(dir / L"d3\\f58.bin", "changed"));
    CFolderMD5Check check(dir.Path());
    EXPECT_TRUE(check.IsDamaged());
    IniEntries changed = expected;
    changed[L".\\d3\\f58.bin"] = Md5Hex("changed");
    EXPECT_EQ(check.MeasuredEntries(), changed);
    // The measured values were merged into the manifest and saved.
    CMD5IniFile saved;
    ASSERT_TRUE(saved.LoadIniFile(dir / L"FolderMD5.ini", false));
    IniEntries md5;
    ASSERT_TRUE(saved.GetSection(L"MD5", md5));
    EXPECT_EQ(md5, changed);
}

// The extraction hands the digests of what it wrote to the manifest check,
// which reads only the files it finds that the extraction did not write.
TEST(FolderMD5Check, DigestsTakenWhileExtractingJudgeLikeReadingTheFiles) {
    TestFolder dir;
    const std::vector<ZipItem> items = {{"sub/", ""},
                                        {"./sub/a.bin", Pattern(70000)},
                                        {"b.txt", "b"},
                                        {"empty", ""},
                                        {"FolderMD5.ini", ""}};
    IniEntries listed = {{L".\\sub\\a.bin", Md5Hex(Pattern(70000))}, {L".\\b.txt", Md5Hex("b")},
                         {L".\\empty", Md5Hex("")}};
    std::vector<ZipItem> packed = items;
    packed.back().data = EncodeIniSections({{L"MD5", listed}});
    ASSERT_TRUE(MakeZip(dir / L"p.zip", packed));
    struct Case {
        const char* what;
        std::function<void(const std::wstring& out)> after;  // done to the folder after extraction
        bool damaged;
    };
    const Case cases[] = {
        {"as extracted", [](const std::wstring&) {}, false},
        {"a file nobody extracted", [](const std::wstring& out) { WriteBytes(out + L"\\c.txt", "c"); }, true},
        {"an extracted file gone", [](const std::wstring& out) { platform::RemoveFile(out + L"\\b.txt"); }, true},
    };
    const std::wstring out = dir / L"out";
    for (const Case& c : cases) {
        IniEntries measured[2];  // with the extraction's digests, and reading every file
        for (const bool withDigests : {true, false}) {
            platform::RemoveTree(out);
            ExtractedDigests written;
            ASSERT_EQ(ExtractArchive(out, dir / L"p.zip", &written).status, 0);
            IniEntries expectedWritten = listed;
            expectedWritten[L".\\FolderMD5.ini"] = Md5Hex(packed.back().data);
            EXPECT_EQ(IniEntries(written.begin(), written.end()), expectedWritten) << "a digest per file, none per folder";
            c.after(out);
            CFolderMD5Check check(out, withDigests ? &written : nullptr);
            EXPECT_EQ(check.IsDamaged(), c.damaged) << c.what << (withDigests ? ", with digests" : "");
            measured[withDigests] = check.MeasuredEntries();
        }
        EXPECT_EQ(measured[0], measured[1]) << c.what;
    }
}

}  // namespace
