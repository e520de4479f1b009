// The manifest check: which packs are damaged, and what it leaves behind
// (the merged manifest, the current directory outside the pack).
#include <gtest/gtest.h>

#include <functional>

#include "PackTestSupport.h"
#include "pack/FolderMD5Check.h"
#include "pack/IniText.h"

namespace {

const char kMd5A[] = "0cc175b9c0f1b6a831c399e269772661";    // "a"
const char kMd5Abc[] = "900150983cd24fb0d6963f7d28e17f72";  // "abc"
const char kMd5Sub[] = "d41d8cd98f00b204e9800998ecf8427e";  // ""

// A pack folder: a.bin = "a", sub\c.txt = "abc", sub\FolderMD5.ini = "".
void MakePackFolder(const std::wstring& root) {
    ASSERT_TRUE(WriteFileTree(root, L"a.bin", "a"));
    ASSERT_TRUE(WriteFileTree(root, L"sub\\c.txt", "abc"));
    ASSERT_TRUE(WriteFileTree(root, L"sub\\FolderMD5.ini", ""));
}

std::string ManifestText(const std::vector<std::string>& lines) {
    std::string s = "[Other]\nx=y\n[MD5]\n";
    for (const std::string& l : lines) s += l + "\n";
    return s;
}

const std::vector<std::string> kGoodLines = {std::string(".\\sub\\c.txt=") + kMd5Abc,
                                             std::string(".\\sub\\FolderMD5.ini=") + kMd5Sub,
                                             std::string(".\\a.bin=") + kMd5A};

bool Damaged(const std::vector<std::string>& lines, const std::function<void(const std::wstring&)>& change = {}) {
    TestFolder dir;
    MakePackFolder(dir.Path());
    EXPECT_TRUE(WriteBytes(dir / L"FolderMD5.ini", ManifestText(lines)));
    if (change) change(dir.Path());
    CFolderMD5Check check(dir.Path());
    return check.IsDamaged();
}

TEST(FolderMD5Check, IntactPackInAnyLineOrder) {
    EXPECT_FALSE(Damaged(kGoodLines));
    EXPECT_FALSE(Damaged({kGoodLines[2], kGoodLines[0], kGoodLines[1]}));
}

TEST(FolderMD5Check, EverySingleFaultIsDamage) {
    EXPECT_TRUE(Damaged(kGoodLines, [](const std::wstring& d) { WriteBytes(d + L"\\a.bin", "b"); }));
    EXPECT_TRUE(Damaged(kGoodLines, [](const std::wstring& d) { WriteBytes(d + L"\\new.bin", ""); }));
    EXPECT_TRUE(Damaged(kGoodLines, [](const std::wstring& d) { platform::RemoveFile(d + L"\\sub\\c.txt"); }));
    EXPECT_TRUE(Damaged({kGoodLines[0], kGoodLines[1], std::string(".\\A.bin=") + kMd5A}));
    EXPECT_TRUE(Damaged({kGoodLines[0], kGoodLines[1], kGoodLines[2], "; a comment"}));
    EXPECT_TRUE(Damaged({kGoodLines[0], kGoodLines[1], ".\\a.bin=0CC175B9C0F1B6A831C399E269772661"}));
    EXPECT_TRUE(Damaged({kGoodLines[0], kGoodLines[2]}));  // the sub-folder's FolderMD5.ini is a file of the pack
}

TEST(FolderMD5Check, EmptyFolderAndMissingManifest) {
    {
        TestFolder dir;
        ASSERT_TRUE(WriteBytes(dir / L"FolderMD5.ini", "[MD5]\n"));
        CFolderMD5Check check(dir.Path());
        EXPECT_FALSE(check.IsDamaged());
    }
    {
        TestFolder dir;
        CFolderMD5Check check(dir.Path());
        EXPECT_TRUE(platform::PathExists(dir / L"FolderMD5.ini"));  // created empty
        EXPECT_FALSE(check.IsDamaged());
    }
    {
        TestFolder dir;
        MakePackFolder(dir.Path());
        CFolderMD5Check check(dir.Path());
        EXPECT_TRUE(check.IsDamaged());
    }
}

TEST(FolderMD5Check, MergesMeasuredValuesCachesAndLeavesTheFolderDeletable) {
    TestFolder outer;
    const std::wstring pack = outer / L"temp";
    MakePackFolder(pack);
    ASSERT_TRUE(WriteBytes(pack + L"\\FolderMD5.ini",
                           ManifestText({kGoodLines[0], ".\\a.bin=ffffffffffffffffffffffffffffffff",
                                         ".\\gone.bin=" + std::string(kMd5A)})));
    const std::wstring cwd = platform::CurrentDirectory();
    {
        CFolderMD5Check check(pack);
        EXPECT_TRUE(check.IsDamaged());
        EXPECT_EQ(platform::CurrentDirectory(), cwd);
        ASSERT_TRUE(WriteBytes(pack + L"\\a.bin", "changed"));
        EXPECT_TRUE(check.IsDamaged());  // cached

        CMD5IniFile saved;
        ASSERT_TRUE(saved.LoadIniFile(pack + L"\\FolderMD5.ini", false));
        IniEntries md5;
        ASSERT_TRUE(saved.GetSection(L"MD5", md5));
        EXPECT_EQ(md5.at(L".\\a.bin"), platform::AnsiToWide(kMd5A));  // measured value replaced the listed one
        EXPECT_EQ(md5.at(L".\\sub\\FolderMD5.ini"), platform::AnsiToWide(kMd5Sub));
        EXPECT_EQ(md5.count(L".\\gone.bin"), 1u);  // keys no file produced stay
        EXPECT_EQ(ReadBytes(pack + L"\\FolderMD5.ini").substr(0, 2), "\xFF\xFE");
    }
    EXPECT_TRUE(platform::RemoveTree(pack));
    EXPECT_FALSE(platform::PathExists(pack));
}

TEST(FolderMD5Check, UnmeasurableFilesAndOversizedManifestsAreDamage) {
    {
        // Devanagari has no GBK form: the file cannot be measured, and an
        // empty value listed for it must not pass for a match.
        TestFolder dir;
        ASSERT_TRUE(WriteBytes(dir / L"\u00e9\u0915.bin", "a"));
        ASSERT_TRUE(WriteBytes(dir / L"FolderMD5.ini", EncodeIniSections({{L"MD5", {{L".\\\u00e9\u0915.bin", L""}}}})));
        CFolderMD5Check check(dir.Path());
        EXPECT_TRUE(check.IsDamaged());
        ASSERT_EQ(check.MeasuredEntries().size(), 1u);
        EXPECT_EQ(check.MeasuredEntries().begin()->second, L"");
    }
    {
        // A manifest that lists every file rightly, padded past 16 MiB.
        TestFolder dir;
        MakePackFolder(dir.Path());
        std::string text = ManifestText(kGoodLines) + "[Pad]\n";
        text += "; " + std::string(CFolderMD5Check::kMaxManifestBytes - text.size() - 2, 'x');
        ASSERT_TRUE(WriteBytes(dir / L"FolderMD5.ini", text));
        EXPECT_FALSE(CFolderMD5Check(dir.Path()).IsDamaged());
        ASSERT_TRUE(WriteBytes(dir / L"FolderMD5.ini", text + "x"));
        EXPECT_TRUE(CFolderMD5Check(dir.Path()).IsDamaged());
        EXPECT_EQ(ReadBytes(dir / L"FolderMD5.ini").size(), CFolderMD5Check::kMaxManifestBytes + 1) << "left as it came";
    }
}

}  // namespace

namespace {

TEST(FolderMD5Check, RelativeFolderIsJudgedLikeAnAbsoluteOne) {
    TestFolder outer;
    MakePackFolder(outer / L"pack");
    const std::wstring saved = platform::CurrentDirectory();
    ASSERT_TRUE(platform::SetCurrentDirectory(outer.Path()));
    {
        CFolderMD5Check noManifest(L"pack");
        EXPECT_TRUE(noManifest.IsDamaged());  // three unlisted files
        EXPECT_EQ(noManifest.MeasuredEntries().count(L".\\sub\\c.txt"), 1u);
    }
    ASSERT_TRUE(WriteBytes(outer / L"pack\\FolderMD5.ini", ManifestText(kGoodLines)));
    {
        CFolderMD5Check intact(L"pack");
        EXPECT_FALSE(intact.IsDamaged());
    }
    EXPECT_EQ(platform::CurrentDirectory(), outer.Path());
    platform::SetCurrentDirectory(saved);
}

}  // namespace
