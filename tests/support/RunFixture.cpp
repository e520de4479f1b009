#include "support/RunFixture.h"

#include "support/ModelNamed.h"

#include "platform/File.h"

void RunFixture::SetUp() {
    ASSERT_FALSE(root.Path().empty());
    programFolder = root / L"program";
    diskFolder = root / L"disk";
    ASSERT_TRUE(platform::MakeDirectory(programFolder));
    ASSERT_TRUE(platform::MakeDirectory(diskFolder));
    ASSERT_TRUE(platform::MakeDirectory(root / L"packs"));
}

std::wstring RunFixture::MakePack(const PackRecipe& recipe, const wchar_t* name) {
    std::wstring path = root / (std::wstring(L"packs\\") + name);
    EXPECT_TRUE(WriteTestPack(path, recipe));
    EXPECT_TRUE(ReadBytes(path, &packBytes));
    selection.TakePackPath(path);
    return path;
}

const EthernetDelivery kEthernetDeliveries[3] = {
    {L"M3710", 0, L"AppUpgradePack.zip", L"\\Storage Card\\AppUpgradePack.zip", L"\\Storage Card\\AppUpgradeFlag.cfg"},
    {L"M3750", 1, L"SystemUpgradePack.zip", L"\\HardDisk\\SystemUpgradePack.zip", L"\\HardDisk\\SystemUpgradeFlag.cfg"},
    {L"M2450", 2, L"ToolUpgradePack.zip", L"\\ToolUpgradePack.zip", L"\\ToolUpgradeFlag.cfg"},
};

const std::vector<std::wstring> kEthernetSuccessEvents = {
    L"0|正准备升级...", L"0.1|成功连接终端.", L"0.2|", L"0.5|", L"0.6|", L"0.75|正在校验升级包...", L"banner ok", L"enter"};

void RunFixture::ChooseEthernetModel(const wchar_t* model, int kind) {
    selection.ChooseModel(Model(model), nullptr);
    selection.connectionMode = kConnectionEthernet;
    selection.packKind = static_cast<PackKind>(kind);
}

bool RunFixture::ExtractionFolderLeft() const { return platform::PathExists(programFolder + L"\\temp"); }

void RunFixture::ExpectCleanProgramFolder() {
    EXPECT_FALSE(ExtractionFolderLeft()) << "working folder left";
    EXPECT_FALSE(platform::PathExists(programFolder + L"\\pack.snapshot")) << "the pack's private copy left";
    for (const wchar_t* flag : {L"AppUpgradeFlag.cfg", L"SystemUpgradeFlag.cfg", L"ToolUpgradeFlag.cfg"})
        EXPECT_FALSE(platform::PathExists(programFolder + L"\\" + flag)) << "flag left beside the program";
    std::string now;
    ASSERT_TRUE(ReadBytes(selection.packPath, &now));
    EXPECT_EQ(now, packBytes) << "the pack file changed";
}

std::string NoiseBytes(size_t size, uint32_t seed) {
    std::string s(size, '\0');
    for (char& c : s) {
        seed = seed * 1664525u + 1013904223u;
        c = static_cast<char>(seed >> 24);
    }
    return s;
}
