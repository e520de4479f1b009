#include <gtest/gtest.h>

#include "app/ModelMatch.h"

namespace {

TEST(ModelMatch, AcceptsTheSelectedModelAndKind) {
    ModelMatchResult r = MatchPackToSelection(L"M3710", kPackApplication, 2, L"M3710", kPackApplication);
    EXPECT_TRUE(r.accepted);
    EXPECT_EQ(r.modelIndex, 2);
    EXPECT_EQ(r.modelName, L"M3710");
    EXPECT_TRUE(r.message.empty());
}

TEST(ModelMatch, RefusalTexts) {
    // Right model, wrong kind.
    EXPECT_EQ(MatchPackToSelection(L"M3710", kPackApplication, 2, L"M3710", kPackSystem).message,
              L"升级失败,APP 与 SYSTEM不能匹配");
    // Wrong model and kind.
    EXPECT_EQ(MatchPackToSelection(L"M2450", kPackSystem, 0, L"M2410", kPackApplication).message,
              L"升级失败,M2450 与 M2410不匹配,SYSTEM 与 APP也不匹配");
    // Wrong model, right kind.
    EXPECT_EQ(MatchPackToSelection(L"M2450", kPackSystem, 0, L"M2410", kPackSystem).message,
              L"升级失败,M2450 与 M2410不能匹配");
    // A pack without a verify file reads as an empty name and kind 0.
    EXPECT_EQ(MatchPackToSelection(L"", 0, 0, L"M2410", kPackApplication).message, L"升级失败, 与 M2410不能匹配");
}

TEST(ModelMatch, ToolPacksFitEveryModelButOnlyTheToolKind) {
    for (int i = 0; i < kModelCount; ++i) {
        ModelMatchResult r = MatchPackToSelection(L"ANY", kPackTool, i, kDeviceModels[i].name, kPackTool);
        EXPECT_TRUE(r.accepted) << i;
        EXPECT_EQ(r.modelIndex, i);
    }
    EXPECT_EQ(MatchPackToSelection(L"M2410", kPackTool, 0, L"M2410", kPackApplication).message,
              L"升级失败,TOOL 与 APP不能匹配");
}

TEST(ModelMatch, VariantsMoveTheSelection) {
    ModelMatchResult r = MatchPackToSelection(L"M3710S5", kPackApplication, 2, L"M3710", kPackApplication);
    EXPECT_TRUE(r.accepted);
    EXPECT_EQ(r.modelIndex, 7);
    EXPECT_EQ(r.modelName, L"M3710S5");

    r = MatchPackToSelection(L"VK1500", kPackSystem, 6, L"M2480", kPackSystem);
    EXPECT_TRUE(r.accepted);
    EXPECT_EQ(r.modelIndex, 8);
    EXPECT_EQ(r.modelName, L"VK1500");

    // VK1500 is no variant of VK1200.
    r = MatchPackToSelection(L"VK1500", kPackSystem, 4, L"VK1200", kPackSystem);
    EXPECT_FALSE(r.accepted);
    EXPECT_EQ(r.message, L"升级失败,VK1500 与 VK1200不能匹配");

    // While the variant is selected, the base model's pack no longer fits.
    r = MatchPackToSelection(L"M3710", kPackApplication, 7, L"M3710S5", kPackApplication);
    EXPECT_FALSE(r.accepted);
    EXPECT_EQ(r.message, L"升级失败,M3710 与 M3710S5不能匹配");

    // A variant accepted with the wrong kind still moves the selection, and
    // the text names the variant.
    r = MatchPackToSelection(L"M3710S5", kPackSystem, 2, L"M3710", kPackApplication);
    EXPECT_FALSE(r.accepted);
    EXPECT_EQ(r.modelIndex, 7);
    EXPECT_EQ(r.message, L"升级失败,SYSTEM 与 APP不能匹配");
}

TEST(ModelMatch, UnknownKindIsShownAsItsNumber) {
    ModelMatchResult r = MatchPackToSelection(L"M2410", 5, 0, L"M2410", kPackApplication);
    EXPECT_FALSE(r.accepted);
    EXPECT_EQ(r.message, L"升级失败,5 与 APP不能匹配");
    EXPECT_EQ(PackKindName(-1), L"-1");
}

}  // namespace
