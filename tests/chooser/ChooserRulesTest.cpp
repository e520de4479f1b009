// The chooser's rules: the pack names, the order of a folder's children,
// node paths (drive labels, special folders) and remembered paths.
#include <gtest/gtest.h>

#include <algorithm>

#include "chooser/ChooserRules.h"

namespace {
using chooser::CompareChildren;
using chooser::ChooserNode;
using chooser::SplitRememberedPath;

TEST(ChooserRules, OnlyTheThreeExactPackNames) {
    EXPECT_TRUE(chooser::IsPackName(L"AppUpgradePack.zip"));
    EXPECT_TRUE(chooser::IsPackName(L"SystemUpgradePack.zip"));
    EXPECT_TRUE(chooser::IsPackName(L"ToolUpgradePack.zip"));
    for (const wchar_t* other : {L"appupgradepack.zip", L"AppUpgradePack.ZIP", L"AppUpgradePack.zip ", L"Other.zip",
                                 L"AppUpgradePack.zip.bak", L"old.zip", L""})
        EXPECT_FALSE(chooser::IsPackName(other)) << other;
}

TEST(ChooserRules, FoldersBeforePacksThenByLoweredName) {
    const ChooserNode root = chooser::RootNode(L"C:", L"C:");
    std::vector<ChooserNode> children;
    for (const wchar_t* pack : {L"ToolUpgradePack.zip", L"AppUpgradePack.zip"})
        children.push_back(chooser::ChildNode(root, pack, ChooserNode::Kind::Pack));
    for (const wchar_t* folder : {L"old.zip", L"beta", L"Alpha", L"Zeta"})
        children.push_back(chooser::ChildNode(root, folder, ChooserNode::Kind::Folder));
    std::sort(children.begin(), children.end(),
              [](const ChooserNode& a, const ChooserNode& b) { return CompareChildren(a, b) < 0; });
    std::vector<std::wstring> order;
    for (const ChooserNode& c : children) order.push_back(c.name);
    EXPECT_EQ(order, (std::vector<std::wstring>{L"Alpha", L"beta", L"old.zip", L"Zeta", L"AppUpgradePack.zip",
                                                L"ToolUpgradePack.zip"}));
    EXPECT_EQ(CompareChildren(chooser::ChildNode(root, L"ABC", ChooserNode::Kind::Folder),
                              chooser::ChildNode(root, L"abc", ChooserNode::Kind::Folder)),
              0);
}

// A folder's path ends in a backslash, so children append their names; a
// pack's path is the file's own.
TEST(ChooserRules, NodePaths) {
    const ChooserNode drive = chooser::RootNode(chooser::DriveItemText(L"C:", L"Data"), L"C:");
    EXPECT_EQ(drive.name, L"C: (Data)");
    EXPECT_EQ(drive.path, L"C:\\");
    const ChooserNode packs = chooser::ChildNode(drive, L"a (1)", ChooserNode::Kind::Folder);
    EXPECT_EQ(packs.path, L"C:\\a (1)\\");
    const ChooserNode pack = chooser::ChildNode(packs, L"AppUpgradePack.zip", ChooserNode::Kind::Pack);
    EXPECT_EQ(pack.path, L"C:\\a (1)\\AppUpgradePack.zip");
    EXPECT_TRUE(pack.IsPack());
    EXPECT_FALSE(packs.IsPack());
    EXPECT_EQ(chooser::RootNode(L"桌面", L"C:\\users\\root\\Desktop").path, L"C:\\users\\root\\Desktop\\");
    EXPECT_EQ(chooser::DriveItemText(L"C:", L""), L"C:");
}

TEST(ChooserRules, RememberedPathTokens) {
    EXPECT_EQ(SplitRememberedPath(L"d:/Packs\\\\AppUpgradePack.zip"),
              (std::vector<std::wstring>{L"D:\\", L"Packs", L"AppUpgradePack.zip"}));
    EXPECT_EQ(SplitRememberedPath(L"c:"), (std::vector<std::wstring>{L"C:\\"}));
    EXPECT_TRUE(SplitRememberedPath(L"\\/\\").empty());
}
}  // namespace
