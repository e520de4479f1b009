// Whole upgrade runs without a window: real packs, real extraction and
// checks, a folder standing for the terminal's USB disk, and an FTP server
// and start command in memory.
#include <gtest/gtest.h>

#include <cwchar>
#include <new>

#include "app/RunTexts.h"
#include "app/UpgradeRun.h"
#include "platform/File.h"
#include "support/RunFixture.h"
#include "support/ModelNamed.h"

namespace {

class UpgradeRunTest : public RunFixture {
protected:
    void UseDisk(const std::wstring& drivePath) {
        UsbDiskInfo disk{};
        std::wcsncpy(disk.volume.szDrivePath, drivePath.c_str(), 255);
        disk.volume.dwDiskNumber = 1;
        disk.wVendorId = 0x04CC;
        disk.wProductId = 0x1213;
        selection.terminalDisks.Replace({disk});
    }

    Events Run() {
        CUpgradeRun run(MakeRunRequest(selection), {progress, ftp, start, files}, programFolder);
        run.Run();
        ApplyRunOutcome(selection, run.TakeOutcome());
        return progress.events;
    }

    FakeFtp ftp;
    FakeStartCommand start;
    SeamedFileSystem files;
};

// ---- USB ----------------------------------------------------------------

TEST_F(UpgradeRunTest, UsbDeliversThePackThenAnEmptyFlag) {
    MakePack({});
    UseDisk(diskFolder + L"\\");
    EXPECT_EQ(Run(), (Events{L"0|正准备升级...", L"0.2|", L"0.5|", L"0.6|", L"0.8|", L"0.85|正在校验升级包...", L"banner ok", L"enter"}));
    std::string copied, flag = "unread";
    ASSERT_TRUE(ReadBytes(diskFolder + L"\\AppUpgradePack.zip", &copied));
    EXPECT_EQ(copied, packBytes);
    ASSERT_TRUE(ReadBytes(diskFolder + L"\\AppUpgradeFlag.cfg", &flag));
    EXPECT_EQ(flag, "");
    EXPECT_EQ(selection.selectedDiskPath, diskFolder + L"\\");
    EXPECT_FALSE(ExtractionFolderLeft());
    EXPECT_FALSE(platform::PathExists(diskFolder + L"\\testCtgPath")) << "the probe folder must be removed";
    ExpectCleanProgramFolder();
}

// The run says it has ended before the banner waits for Enter (the record
// is written then); a step that throws ends the run as a failure.
TEST_F(UpgradeRunTest, EndIsReportedBeforeTheBannerWaitsAndFaultsEndTheRun) {
    class ThrowingCopy : public SeamedFileSystem {
    public:
        bool CopyFileTo(const std::wstring&, const std::wstring&) override { throw std::bad_alloc(); }
    };
    MakePack({});
    UseDisk(diskFolder + L"\\");
    for (bool fault : {false, true}) {
        SCOPED_TRACE(fault ? "a copy that throws" : "a sound run");
        progress.events.clear();
        ThrowingCopy throwing;
        RunFileSystem& used = fault ? static_cast<RunFileSystem&>(throwing) : files;
        CUpgradeRun run(MakeRunRequest(selection), {progress, ftp, start, used}, programFolder);
        int ended = 0;
        run.OnEnded([&](const RunOutcome& outcome) {
            ++ended;
            progress.events.push_back(L"ended " + outcome.finalText);
            EXPECT_EQ(outcome.packMd5, Md5Hex(packBytes));
        });
        run.Run();
        EXPECT_EQ(ended, 1);
        const std::wstring text = fault ? runtext::kRunAborted : runtext::kSucceeded;
        const size_t n = progress.events.size();
        ASSERT_GE(n, 3u);
        EXPECT_EQ(progress.events[n - 3], fault ? L"banner failed" : L"banner ok");
        EXPECT_EQ(progress.events[n - 2], L"ended " + text);
        EXPECT_EQ(progress.events[n - 1], L"enter");
        EXPECT_EQ(run.Outcome().result, fault ? UpgradeResult::Failure : UpgradeResult::Success);
    }
}

TEST_F(UpgradeRunTest, UsbFlagIsEmptyEvenWhenAStaleFlagLiesBesideTheProgram) {
    PackRecipe recipe;
    recipe.kind = 1;
    selection.packKind = kPackSystem;
    MakePack(recipe, L"SystemUpgradePack.zip");
    UseDisk(diskFolder + L"\\");
    ASSERT_TRUE(WriteBytes(programFolder + L"\\SystemUpgradeFlag.cfg", "11"));
    Run();
    std::string flag;
    ASSERT_TRUE(ReadBytes(diskFolder + L"\\SystemUpgradeFlag.cfg", &flag));
    EXPECT_EQ(flag, "");
    EXPECT_TRUE(platform::PathExists(diskFolder + L"\\SystemUpgradePack.zip"));
    ExpectCleanProgramFolder();
}

TEST_F(UpgradeRunTest, UsbRefusalsBeforeTheChecksCloseTheWindow) {
    MakePack({});
    // No terminal disk at all.
    EXPECT_EQ(Run(), (Events{L"0|正准备升级...", L"0.1|没有适配终端设备,请重新选择.", L"close"}));

    // The disk's drive letter vanished after the list was filled.
    progress.events.clear();
    UseDisk(root / L"gone\\");
    EXPECT_EQ(Run(), (Events{L"0|正准备升级...", L"0.1|终端设备U盘路径不存在请重新选择.", L"close"}));

    // A volume without a drive letter has an empty path.
    progress.events.clear();
    UseDisk(L"");
    EXPECT_EQ(Run(), (Events{L"0|正准备升级...", L"0.1|终端设备U盘路径不存在请重新选择.", L"close"}));
    EXPECT_FALSE(ExtractionFolderLeft()) << "nothing is extracted before the disk is known";
    ExpectCleanProgramFolder();
}

TEST_F(UpgradeRunTest, UsbReadOnlyDiskIsRefusedWithoutTouchingIt) {
#ifdef _WIN32
    GTEST_SKIP() << "Wine keeps no read-only bit on folders; the Windows run tests give the attributes instead";
#endif
    MakePack({});
    std::wstring disk = root / L"readonly";
    ASSERT_TRUE(platform::MakeDirectory(disk));
    ASSERT_TRUE(platform::SetReadOnly(disk, true));
    UseDisk(disk + L"\\");
    EXPECT_EQ(Run(), (Events{L"0|正准备升级...", L"0.1|U盘不可写入，升级失败！", L"close"}));
    EXPECT_FALSE(platform::PathExists(disk + L"\\AppUpgradePack.zip"));
    platform::SetReadOnly(disk, false);
    ExpectCleanProgramFolder();
}

TEST_F(UpgradeRunTest, UsbProbeFolderAlreadyThereIsNoReasonToRefuse) {
    MakePack({});
    UseDisk(diskFolder + L"\\");
    ASSERT_TRUE(platform::MakeDirectory(diskFolder + L"\\testCtgPath"));
    EXPECT_EQ(Run().back(), L"enter");
    EXPECT_EQ(progress.events[progress.events.size() - 2], L"banner ok");
    EXPECT_TRUE(platform::IsDirectory(diskFolder + L"\\testCtgPath")) << "an existing probe folder stays";
}

TEST_F(UpgradeRunTest, UsbFreeSpaceMustHoldThePack) {
    MakePack({});
    UseDisk(diskFolder + L"\\");
    files.freeBytes = packBytes.size() - 1;
    EXPECT_EQ(Run(), (Events{L"0|正准备升级...", L"0.2|", L"0.5|", L"0.6|", L"0.8|设备磁盘空间不够，请清理后再升级.",
                             L"close"}));
    EXPECT_FALSE(platform::PathExists(diskFolder + L"\\AppUpgradePack.zip"));
    EXPECT_FALSE(ExtractionFolderLeft());

    progress.events.clear();
    files.freeBytes = packBytes.size();  // exactly as large as the free space
    EXPECT_EQ(Run().back(), L"enter");
    EXPECT_TRUE(platform::PathExists(diskFolder + L"\\AppUpgradePack.zip"));
    ExpectCleanProgramFolder();
}

TEST_F(UpgradeRunTest, RefusedPacksStopTheRunAndCloseTheWindow) {
    UseDisk(diskFolder + L"\\");
    // Another model: the working folder stays until the next run.
    PackRecipe other;
    other.model = L"M2450";
    other.kind = 1;
    MakePack(other);
    EXPECT_EQ(Run(), (Events{L"0|正准备升级...", L"0.2|", L"0.5|升级失败,M2450 与 M2410不匹配,SYSTEM 与 APP也不匹配",
                             L"close"}));
    EXPECT_TRUE(ExtractionFolderLeft());

    // A damaged pack: one file's digest disagrees with the manifest.
    progress.events.clear();
    PackRecipe damaged;
    damaged.editManifest = [](std::map<std::wstring, std::wstring>& m) {
        m[L".\\readme.txt"] = L"00000000000000000000000000000000";
    };
    MakePack(damaged);
    EXPECT_EQ(Run(), (Events{L"0|正准备升级...", L"0.2|", L"0.5|", L"0.6|升级失败，升级包被损坏.", L"close"}));
    EXPECT_FALSE(ExtractionFolderLeft()) << "the next run removes the old folder, the check its own";
    EXPECT_FALSE(platform::PathExists(diskFolder + L"\\AppUpgradePack.zip"));
    ExpectCleanProgramFolder();

    // A pack that cannot be extracted whole (two entries of one name) is
    // damaged before the model is even looked at.
    progress.events.clear();
    PackRecipe twice;
    twice.files.push_back({"readme.txt", "another text"});
    MakePack(twice);
    EXPECT_EQ(Run(), (Events{L"0|正准备升级...", L"0.6|升级失败，升级包被损坏.", L"close"}));
    EXPECT_FALSE(ExtractionFolderLeft());
    EXPECT_FALSE(platform::PathExists(diskFolder + L"\\AppUpgradePack.zip"));
}

TEST_F(UpgradeRunTest, PackThatCannotBeOpenedIsNotBlamedOnTheTerminal) {
    UseDisk(diskFolder + L"\\");
    selection.packPath = programFolder + L"\\gone\\AppUpgradePack.zip";
    EXPECT_EQ(Run(), (Events{L"0|正准备升级...", L"0.2|解压升级包失败，请检查升级包和电脑磁盘空间！", L"close"}));
    EXPECT_FALSE(ExtractionFolderLeft());
}

// The copy is checked before any flag tells the terminal to install it.
TEST_F(UpgradeRunTest, CopyThatDoesNotReadBackGetsNoFlagAndIsRemoved) {
    MakePack({});
    UseDisk(diskFolder + L"\\");
    files.corruptByteOfCopies = 100;
    EXPECT_EQ(Run(), (Events{L"0|正准备升级...", L"0.2|", L"0.5|", L"0.6|", L"0.8|", L"0.85|正在校验升级包...",
                             L"0.85|升级包校验失败，请重新升级！", L"banner failed", L"enter"}));
    EXPECT_FALSE(platform::PathExists(diskFolder + L"\\AppUpgradePack.zip"));
    EXPECT_FALSE(platform::PathExists(diskFolder + L"\\AppUpgradeFlag.cfg"));
    ExpectCleanProgramFolder();

    // Over Ethernet: a server that stores less than it was sent.
    for (const wchar_t* model : {L"M3710", L"VK1200"}) {
        SCOPED_TRACE(model);
        progress.events.clear();
        ftp = FakeFtp();
        start = FakeStartCommand();
        ftp.storedBytesLimit = packBytes.size() / 2;
        selection.ChooseModel(Model(model), nullptr);
        selection.terminalAddress = L"192.168.1.20";
        MakePack(PackRecipe::For(model, 0));
        EXPECT_EQ(Run(), (Events{L"0|正准备升级...", L"0.1|成功连接终端.", L"0.2|", L"0.5|", L"0.6|",
                                 L"0.75|正在校验升级包...", L"0.75|升级包校验失败，请重新升级！", L"banner failed",
                                 L"enter"}));
        EXPECT_TRUE(ftp.files.empty()) << "the short copy is deleted, no flag follows";
        EXPECT_TRUE(start.calls.empty()) << "no start command either";
        EXPECT_EQ(ftp.calls.back(), L"disconnect");
        ExpectCleanProgramFolder();
    }

    // A server without SIZE cannot show the upload whole: no flag follows.
    // (VK1200 reads no flag, so no old one stands in the way first.)
    progress.events.clear();
    ftp = FakeFtp();
    start = FakeStartCommand();
    ftp.answersSize = false;
    selection.ChooseModel(Model(L"VK1200"), nullptr);
    MakePack(PackRecipe::For(L"VK1200", 0));
    EXPECT_EQ(Run(), (Events{L"0|正准备升级...", L"0.1|成功连接终端.", L"0.2|", L"0.5|", L"0.6|",
                             L"0.75|正在校验升级包...", L"0.75|终端未返回文件大小，未能校验升级包.", L"banner failed",
                             L"enter"}));
    EXPECT_TRUE(ftp.files.empty());
    EXPECT_TRUE(start.calls.empty());
}

TEST_F(UpgradeRunTest, PackWithoutVerifyFileIsRefusedAsAnotherModel) {
    UseDisk(diskFolder + L"\\");
    PackRecipe recipe;
    recipe.withVerify = false;
    MakePack(recipe);
    EXPECT_EQ(Run()[2], L"0.5|升级失败, 与 M2410不能匹配");
}

TEST_F(UpgradeRunTest, ProcessLeavesTheWorkingFolderBeforeDeletingIt) {
    MakePack({});
    UseDisk(diskFolder + L"\\");
    Run();
    EXPECT_FALSE(ExtractionFolderLeft());
    std::wstring cwd = platform::CurrentDirectory();
    EXPECT_EQ(cwd.find(programFolder + L"\\temp"), std::wstring::npos) << "current directory: " << cwd.size();
}

// ---- Ethernet -------------------------------------------------------------

TEST_F(UpgradeRunTest, EthernetUploadsPackAndFlagToTheModelsFolder) {
    for (const EthernetDelivery& c : kEthernetDeliveries) {
        SCOPED_TRACE(c.model);
        progress.events.clear();
        ftp = FakeFtp();
        ChooseEthernetModel(c.model, c.kind);
        selection.terminalAddress = L"192.168.1.20";
        MakePack(PackRecipe::For(c.model, c.kind), c.packName);
        EXPECT_EQ(Run(), kEthernetSuccessEvents);
        ASSERT_EQ(ftp.files.size(), 2u);
        EXPECT_EQ(ftp.files[c.remotePack], packBytes);
        EXPECT_EQ(ftp.files[c.remoteFlag], "11");
        EXPECT_EQ(ftp.calls.back(), L"disconnect");
        EXPECT_TRUE(start.calls.empty());
        EXPECT_FALSE(ExtractionFolderLeft());
        ExpectCleanProgramFolder();
    }
    // M2450 brings no login of its own: the one set for M3750 stays.
    EXPECT_EQ(ftp.calls.front(), L"connect 192.168.1.20:21 admin 739204");
}

TEST_F(UpgradeRunTest, EthernetLogsInWithTheModelsAccount) {
    selection.ChooseModel(Model(L"M3710"), nullptr);
    selection.terminalAddress = L"10.0.0.7";
    selection.ftpPort = 2121;
    MakePack(PackRecipe::For(L"M3710", 0));
    Run();
    EXPECT_EQ(ftp.calls.front(), L"connect 10.0.0.7:2121 admin 739204");
}

TEST_F(UpgradeRunTest, VK1200GetsTheStartCommandInsteadOfTheFlag) {
    selection.ChooseModel(Model(L"VK1200"), nullptr);
    selection.terminalAddress = L"192.168.1.30";
    MakePack(PackRecipe::For(L"VK1200", 0));
    EXPECT_EQ(Run(), (Events{L"0|正准备升级...", L"0.1|成功连接终端.", L"0.2|", L"0.5|", L"0.6|", L"0.75|正在校验升级包...", L"0.85|正在启动升级",
                             L"banner ok", L"enter"}));
    ASSERT_EQ(ftp.files.size(), 1u);
    EXPECT_EQ(ftp.files[L"\\AppUpgradePack.zip"], packBytes);
    EXPECT_EQ(start.calls, (std::vector<std::wstring>{L"connect 192.168.1.30", L"send", L"close"}));
    EXPECT_EQ(ftp.calls.front(), L"connect 192.168.1.30:21 update 739204");
    ExpectCleanProgramFolder();

    progress.events.clear();
    start = FakeStartCommand();
    start.acceptConnection = false;
    EXPECT_EQ(Run(), (Events{L"0|正准备升级...", L"0.1|成功连接终端.", L"0.2|", L"0.5|", L"0.6|", L"0.75|正在校验升级包...", L"0.85|正在启动升级",
                             L"0.9|启动升级失败", L"banner failed", L"enter"}));
    EXPECT_EQ(start.calls, (std::vector<std::wstring>{L"connect 192.168.1.30", L"close"}));
    ExpectCleanProgramFolder();
}

TEST_F(UpgradeRunTest, EthernetFailures) {
    selection.ChooseModel(Model(L"M3710"), nullptr);
    selection.terminalAddress = L"192.168.1.20";
    MakePack(PackRecipe::For(L"M3710", 0));

    ftp.acceptLogin = false;
    EXPECT_EQ(Run(), (Events{L"0|正准备升级...", L"0.1|终端连接失败.", L"close"}));
    EXPECT_FALSE(ExtractionFolderLeft()) << "nothing is extracted without a terminal";

    progress.events.clear();
    ftp = FakeFtp();
    ftp.refusedCalls = {L"put \\Storage Card\\AppUpgradePack.zip"};
    EXPECT_EQ(Run(), (Events{L"0|正准备升级...", L"0.1|成功连接终端.", L"0.2|", L"0.5|", L"0.6|",
                             L"0.7|拷贝升级包失败.", L"banner failed", L"enter"}));
    EXPECT_EQ(ftp.calls.back(), L"disconnect");
    ExpectCleanProgramFolder();

    progress.events.clear();
    ftp = FakeFtp();
    ftp.refusedCalls = {L"put \\Storage Card\\AppUpgradeFlag.cfg"};
    EXPECT_EQ(Run(), (Events{L"0|正准备升级...", L"0.1|成功连接终端.", L"0.2|", L"0.5|", L"0.6|", L"0.75|正在校验升级包...",
                             L"0.8|拷贝标志文件失败！", L"banner failed", L"enter"}));
    EXPECT_EQ(ftp.calls.back(), L"disconnect");
    ExpectCleanProgramFolder();
}

TEST_F(UpgradeRunTest, EthernetRefusalClosesTheFtpSession) {
    selection.ChooseModel(Model(L"M3750"), nullptr);
    MakePack(PackRecipe::For(L"M3710", 0));
    EXPECT_EQ(Run(), (Events{L"0|正准备升级...", L"0.1|成功连接终端.", L"0.2|", L"0.5|升级失败,M3710 与 M3750不能匹配",
                             L"close"}));
    EXPECT_EQ(ftp.calls.back(), L"disconnect");
    EXPECT_TRUE(ftp.files.empty());
}

TEST_F(UpgradeRunTest, VariantStaysSelectedAfterTheRun) {
    selection.ChooseModel(Model(L"M3710"), nullptr);
    MakePack(PackRecipe::For(L"M3710S5", 0));
    Run();
    EXPECT_EQ(selection.modelIndex, 7);
    EXPECT_EQ(selection.modelName, L"M3710S5");
    EXPECT_EQ(ftp.files.count(L"\\Storage Card\\AppUpgradePack.zip"), 1u);

    // The base model's pack no longer fits while the variant is selected.
    progress.events.clear();
    MakePack(PackRecipe::For(L"M3710", 0));
    EXPECT_EQ(Run()[3], L"0.5|升级失败,M3710 与 M3710S5不能匹配");
}

}  // namespace
