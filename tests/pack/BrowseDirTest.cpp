// The directory walker: files before sub-folders, depth first, hooks that
// stop the walk, folders never listed, bounded paths.
#include <gtest/gtest.h>

#include <algorithm>

#include "PackTestSupport.h"
#include "pack/BrowseDir.h"
#include "pack/ZipExtraction.h"

namespace {

class RecordingWalker : public CBrowseDir {
public:
    std::vector<std::pair<std::wstring, std::wstring>> dirs;
    std::vector<std::wstring> files;
    size_t stopAfter = 0;  // 0: never stop
    bool ProcessFile(const std::wstring& path) override {
        files.push_back(path);
        return stopAfter == 0 || files.size() < stopAfter;
    }
    void ProcessDir(const std::wstring& dir, const std::wstring& parent) override { dirs.emplace_back(dir, parent); }
};

TEST(BrowseDir, EmptyFolderAndTheOrderOfATree) {
    const std::wstring cwd = platform::CurrentDirectory();
    TestFolder root;
    {
        CBrowseDir walker;
        std::vector<std::wstring> list;
        ASSERT_TRUE(walker.SetInitDir(root.Path()));
        EXPECT_EQ(walker.InitDir(), root.Path() + L"\\");
        EXPECT_TRUE(walker.BeginBrowse(L"*.*", list, true));
        EXPECT_TRUE(list.empty());
    }
    ASSERT_TRUE(WriteFileTree(root.Path(), L"x\\b.bin", "b"));
    ASSERT_TRUE(WriteFileTree(root.Path(), L"a.txt", "a"));
    ASSERT_TRUE(WriteFileTree(root.Path(), L"x\\y\\c.bin", "c"));
    ASSERT_TRUE(MakeDirectoryChain(root / L"empty\\"));
    RecordingWalker walker;
    std::vector<std::wstring> list;
    ASSERT_TRUE(walker.SetInitDir(root.Path()));
    EXPECT_TRUE(walker.BeginBrowse(L"*.*", list, true));
    const std::wstring r = root.Path() + L"\\";
    ASSERT_EQ(list, (std::vector<std::wstring>{r + L"a.txt", r + L"x\\b.bin", r + L"x\\y\\c.bin"}));
    EXPECT_EQ(walker.files, list);
    ASSERT_EQ(walker.dirs.size(), 4u);
    EXPECT_EQ(walker.dirs[0], std::make_pair(r, std::wstring()));
    EXPECT_TRUE(std::count(walker.dirs.begin(), walker.dirs.end(), std::make_pair(r + L"x\\y\\", r + L"x\\")) == 1);
    EXPECT_EQ(platform::CurrentDirectory(), cwd) << "the walk never moves the current directory";

    std::vector<std::wstring> flat;
    CBrowseDir notRecursive;
    ASSERT_TRUE(notRecursive.SetInitDir(root.Path()));
    EXPECT_TRUE(notRecursive.BeginBrowse(L"*.*", flat, false));
    EXPECT_EQ(flat, std::vector<std::wstring>{r + L"a.txt"});
}

TEST(BrowseDir, HookStopsTheWalkAndBadStartFails) {
    TestFolder root;
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(WriteFileTree(root.Path(), L"d\\f" + std::to_wstring(i), ""));
    RecordingWalker walker;
    walker.stopAfter = 2;
    std::vector<std::wstring> list;
    ASSERT_TRUE(walker.SetInitDir(root.Path()));
    EXPECT_FALSE(walker.BeginBrowse(L"*.*", list, true));
    EXPECT_EQ(list.size(), 2u);

    CBrowseDir bad;
    EXPECT_FALSE(bad.SetInitDir(root / L"no-such-folder"));
    EXPECT_FALSE(bad.SetInitDir(root / L"d\\f0"));  // a file
}

TEST(BrowseDir, PathsThatWouldNotFitAreSkipped) {
    TestFolder root;
    // The folder itself fits; a file name that takes the path past 259 units does not.
    std::wstring deep = root.Path() + L"\\" + std::wstring(240 - root.Path().size(), L'd');
    ASSERT_TRUE(MakeDirectoryChain(deep));
    ASSERT_TRUE(WriteBytes(deep + L"\\ok", ""));
    ASSERT_TRUE(WriteBytes(deep + L"\\" + std::wstring(30, L'n'), ""));
    CBrowseDir walker;
    std::vector<std::wstring> list;
    ASSERT_TRUE(walker.SetInitDir(root.Path()));
    EXPECT_TRUE(walker.BeginBrowse(L"*.*", list, true));
    EXPECT_EQ(list, std::vector<std::wstring>{deep + L"\\ok"});
}

}  // namespace
