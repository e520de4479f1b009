// The chooser's rules: the pack names, the order of a folder's children,
// item paths (special folders, drive labels) and remembered paths.
#include <gtest/gtest.h>

#include <algorithm>

#include "chooser/ChooserRules.h"

namespace {
using chooser::CompareChildren;
using chooser::ItemPathFromTexts;
using chooser::SplitRememberedPath;

TEST(ChooserRules, OnlyTheThreeExactPackNames) {
    EXPECT_TRUE(chooser::IsPackName(L"AppUpgradePack.zip"));
    EXPECT_TRUE(chooser::IsPackName(L"SystemUpgradePack.zip"));
    EXPECT_TRUE(chooser::IsPackName(L"ToolUpgradePack.zip"));
    for (const wchar_t* other : {L"appupgradepack.zip", L"AppUpgradePack.ZIP", L"AppUpgradePack.zip ", L"Other.zip",
                                 L"AppUpgradePack.zip.bak", L"old.zip", L""})
        EXPECT_FALSE(chooser::IsPackName(other)) << other;
}

TEST(ChooserRules, FoldersBeforePacksThenByLoweredText) {
    struct Child {
        std::wstring text;
        bool pack;
    };
    std::vector<Child> children = {{L"ToolUpgradePack.zip", true}, {L"old.zip", false}, {L"beta", false},
                                   {L"AppUpgradePack.zip", true}, {L"Alpha", false}, {L"Zeta", false}};
    std::sort(children.begin(), children.end(), [](const Child& a, const Child& b) {
        return CompareChildren(a.text, a.pack, b.text, b.pack) < 0;
    });
    std::vector<std::wstring> order;
    for (const Child& c : children) order.push_back(c.text);
    EXPECT_EQ(order, (std::vector<std::wstring>{L"Alpha", L"beta", L"old.zip", L"Zeta", L"AppUpgradePack.zip",
                                                L"ToolUpgradePack.zip"}));
    EXPECT_EQ(CompareChildren(L"ABC", false, L"abc", false), 0);
    EXPECT_EQ(CompareChildren(L"b", true, L"a", true), 1);
}

TEST(ChooserRules, ItemPaths) {
    const std::wstring desktop = L"C:\\users\\root\\Desktop", documents = L"C:\\users\\root\\Documents";
    EXPECT_EQ(ItemPathFromTexts({L"C: (Data)", L"Packs", L"AppUpgradePack.zip"}, desktop, documents),
              L"C:\\Packs\\AppUpgradePack.zip\\");
    EXPECT_EQ(ItemPathFromTexts({L"D:"}, desktop, documents), L"D:\\");
    EXPECT_EQ(ItemPathFromTexts({L"E: (A (B))", L"x"}, desktop, documents), L"E:\\x\\");
    EXPECT_EQ(ItemPathFromTexts({L"桌面", L"a (1)"}, desktop, documents), L"C:\\users\\root\\Desktop\\a (1)\\");
    EXPECT_EQ(ItemPathFromTexts({L"我的文档"}, desktop, documents), L"C:\\users\\root\\Documents\\");
    EXPECT_EQ(ItemPathFromTexts({}, desktop, documents), L"");
    EXPECT_EQ(chooser::DriveItemText(L"C:", L"Data"), L"C: (Data)");
    EXPECT_EQ(chooser::DriveItemText(L"C:", L""), L"C:");
}

TEST(ChooserRules, RememberedPathTokens) {
    EXPECT_EQ(SplitRememberedPath(L"d:/Packs\\\\AppUpgradePack.zip"),
              (std::vector<std::wstring>{L"D:\\", L"Packs", L"AppUpgradePack.zip"}));
    EXPECT_EQ(SplitRememberedPath(L"c:"), (std::vector<std::wstring>{L"C:\\"}));
    EXPECT_TRUE(SplitRememberedPath(L"\\/\\").empty());
    EXPECT_EQ(chooser::WithoutTrailingBackslash(L"C:\\a\\"), L"C:\\a");
    EXPECT_EQ(chooser::WithoutTrailingBackslash(L"C:\\a"), L"C:\\a");
}
}  // namespace
