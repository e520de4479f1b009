// The manifest check hashes files on several threads: every file must get
// its own digest under its own key, whatever thread measured it, and the
// judgement must be the one a single thread would reach.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "PackTestSupport.h"
#include "pack/FolderMD5Check.h"
#include "pack/IndexedJobs.h"
#include "pack/Md5.h"
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

}  // namespace
