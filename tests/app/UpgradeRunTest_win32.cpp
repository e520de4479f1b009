// Whole upgrade runs with the real classes under Wine: disk discovery on a
// recorded machine whose terminal disk is a folder, the shell's copy and
// delete, the WinInet FTP client and the start client against terminal
// simulators on loopback, and the real progress window.
#include <gtest/gtest.h>
#include <windows.h>

#include <cwchar>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "../device/SimulatorState.h"
#include "device/FtpClient.h"
#include "device/StartClient.h"
#include "app/ScrollDlgProgress.h"
#include "app/ShellFileSystem.h"
#include "app/UpgradeRun.h"
#include "app/UpgradeThread.h"
#include "device/OpenDisk.h"
#include "device/RecordedDiskSystem.h"
#include "platform/File.h"
#include "platform/Text.h"
#include "support/RunFixture.h"
#include "support/ModelNamed.h"

namespace {

using Events = std::vector<std::wstring>;

// The shell's file operations with a seam for the free space of the disk.
class SeamedShellFileSystem : public ShellFileSystem {
public:
    bool FreeBytes(const std::wstring& path, uint64_t* bytes) override {
        if (freeBytes) {
            *bytes = *freeBytes;
            return true;
        }
        return ShellFileSystem::FreeBytes(path, bytes);
    }
    // Wine keeps no read-only bit on folders, so a write-protected disk's
    // root is given here.
    bool GetAttributes(const std::wstring& path, uint32_t* attributes) override {
        if (rootAttributes && !path.empty() && path.back() == L'\\') {
            *attributes = *rootAttributes;
            return true;
        }
        return ShellFileSystem::GetAttributes(path, attributes);
    }
    // A disk that spoils what it stores: one byte of the copied pack flips
    // after the shell reported success.
    bool CopyFileTo(const std::wstring& file, const std::wstring& copy) override {
        if (!ShellFileSystem::CopyFileTo(file, copy)) return false;
        if (!corruptCopies) return true;
        std::string bytes;
        if (!ReadBytes(copy, &bytes) || bytes.size() < 200) return true;
        bytes[150] ^= 0x20;
        return WriteBytes(copy, bytes);
    }
    std::optional<uint64_t> freeBytes;
    std::optional<uint32_t> rootAttributes;
    bool corruptCopies = false;
};

std::wstring Wide(const std::string& s) { return platform::Utf8ToWide(s); }

class WindowsRunTest : public RunFixture {
protected:
    // The terminal's disk as disk discovery finds it on a recorded machine.
    void DiscoverDisks(const RecordedMachine& machine) {
        COpenDisk discovery(std::make_unique<RecordedDiskSystem>(machine));
        discovery.Refresh();
        std::vector<UsbDiskInfo> found;
        discovery.FindDisks(found, selection.usbVendorId, selection.usbProductId);
        selection.terminalDisks.Replace(found);
    }

    void TerminalDiskAt(const std::wstring& mountPath) {
        RecordedMachine machine;
        machine.AddUsbDisk(L"C:\\", 0x0781, 0x5567, L"SYSTEMDISK");  // some other USB disk
        machine.AddUsbDisk(mountPath, 0x04CC, 0x1213, L"5A6B7C");
        DiscoverDisks(machine);
    }

    Events Run(IFtpSession& ftpSession, IStartCommand& startCommand) {
        CUpgradeRun run(MakeRunRequest(selection), {progress, ftpSession, startCommand, files}, programFolder);
        run.Run();
        ApplyRunOutcome(selection, run.TakeOutcome());
        return progress.events;
    }
    Events RunUsb() {
        FakeFtp unusedFtp;
        FakeStartCommand unusedStart;
        return Run(unusedFtp, unusedStart);
    }

    SeamedShellFileSystem files;
};

// ---- USB ------------------------------------------------------------------

TEST_F(WindowsRunTest, UsbRunCopiesPackThenEmptyFlagIntoTheDiskRoot) {
    MakePack({});
    TerminalDiskAt(diskFolder + L"\\");
    ASSERT_EQ(selection.terminalDisks.Size(), 1u) << "only the terminal's disk carries its ids";
    EXPECT_EQ(RunUsb(), (Events{L"0|正准备升级...", L"0.2|", L"0.5|", L"0.6|", L"0.8|", L"0.85|正在校验升级包...", L"banner ok", L"enter"}));
    std::string copied, flag = "unread";
    ASSERT_TRUE(ReadBytes(diskFolder + L"\\AppUpgradePack.zip", &copied));
    EXPECT_EQ(copied, packBytes);
    ASSERT_TRUE(ReadBytes(diskFolder + L"\\AppUpgradeFlag.cfg", &flag));
    EXPECT_EQ(flag, "");
    EXPECT_FALSE(platform::PathExists(diskFolder + L"\\testCtgPath"));
    ExpectCleanProgramFolder();
}

// A path that vanished after discovery is refused as in the portable run
// tests, which run on this build too; here what only Windows discovery and
// attributes decide.
TEST_F(WindowsRunTest, UsbRefusalsCloseTheWindowAndLeaveTheDiskAlone) {
    MakePack({});
    // Discovery finds no terminal disk at all.
    DiscoverDisks(RecordedMachine{});
    EXPECT_EQ(RunUsb(), (Events{L"0|正准备升级...", L"0.1|没有适配终端设备,请重新选择.", L"close"}));

    // A disk whose root reports read-only, then one that reports system.
    for (uint32_t attributes : {0x11u, 0x14u}) {
        progress.events.clear();
        files.rootAttributes = attributes;
        TerminalDiskAt(diskFolder + L"\\");
        EXPECT_EQ(RunUsb(), (Events{L"0|正准备升级...", L"0.1|U盘不可写入，升级失败！", L"close"}));
        EXPECT_FALSE(platform::PathExists(diskFolder + L"\\AppUpgradePack.zip"));
        EXPECT_FALSE(platform::PathExists(diskFolder + L"\\testCtgPath"));
    }
    ExpectCleanProgramFolder();
}

TEST_F(WindowsRunTest, UsbOldProbeFolderStaysAndDoesNotStopTheRun) {
    MakePack({});
    TerminalDiskAt(diskFolder + L"\\");
    ASSERT_TRUE(platform::MakeDirectory(diskFolder + L"\\testCtgPath"));
    EXPECT_EQ(RunUsb().back(), L"enter");
    EXPECT_TRUE(platform::IsDirectory(diskFolder + L"\\testCtgPath"));
    EXPECT_TRUE(platform::PathExists(diskFolder + L"\\AppUpgradePack.zip"));
}

TEST_F(WindowsRunTest, UsbFreeSpaceBoundary) {
    MakePack({});
    TerminalDiskAt(diskFolder + L"\\");
    files.freeBytes = packBytes.size() - 1;
    EXPECT_EQ(RunUsb(), (Events{L"0|正准备升级...", L"0.2|", L"0.5|", L"0.6|", L"0.8|设备磁盘空间不够，请清理后再升级.",
                                L"close"}));
    EXPECT_FALSE(platform::PathExists(diskFolder + L"\\AppUpgradePack.zip"));

    progress.events.clear();
    files.freeBytes = packBytes.size();
    EXPECT_EQ(RunUsb().back(), L"enter");
    EXPECT_TRUE(platform::PathExists(diskFolder + L"\\AppUpgradePack.zip"));
    ExpectCleanProgramFolder();
}

// ---- Ethernet against the terminal simulators ------------------------------

class SimulatorRunTest : public WindowsRunTest {
protected:
    void UseTerminal(const char* name) {
        std::string error;
        ASSERT_TRUE(LoadSimulatedTerminal(QUILLON_SIM_STATE, name, &terminal, &error)) << error;
        selection.terminalAddress = L"127.0.0.1";
        selection.ftpPort = terminal.ftpPort;
        journalBefore = ReadJournal(terminal).size();
    }
    // The terminal's copy of a remote path ("\Storage Card\x.zip").
    std::wstring OnTerminal(const std::wstring& remote) { return Wide(terminal.root) + remote; }
    void ForgetOnTerminal(const std::wstring& remote) { platform::RemoveFile(OnTerminal(remote)); }
    std::vector<std::string> NewJournal() {
        std::vector<std::string> all = ReadJournal(terminal);
        return std::vector<std::string>(all.begin() + static_cast<long>(std::min(journalBefore, all.size())), all.end());
    }

    Events RunEthernet() {
        CFtpClient ftp;
        CStartClient start(static_cast<uint16_t>(terminal.startPort));
        return Run(ftp, start);
    }

    SimulatedTerminal terminal;
    size_t journalBefore = 0;
};

TEST_F(SimulatorRunTest, PackAndFlagLandInEachModelsFolder) {
    UseTerminal("normal");
    for (const EthernetDelivery& c : kEthernetDeliveries) {
        SCOPED_TRACE(c.model);
        progress.events.clear();
        ForgetOnTerminal(c.remotePack);
        ForgetOnTerminal(c.remoteFlag);
        ChooseEthernetModel(c.model, c.kind);
        PackRecipe recipe = PackRecipe::For(c.model, c.kind);
        recipe.files.push_back({"firmware/image.bin", NoiseBytes(300000, static_cast<uint32_t>(Model(c.model)))});
        MakePack(recipe, c.packName);
        EXPECT_EQ(RunEthernet(), kEthernetSuccessEvents);
        std::string arrived, flag;
        ASSERT_TRUE(ReadBytes(OnTerminal(c.remotePack), &arrived));
        EXPECT_EQ(arrived, packBytes);
        ASSERT_TRUE(ReadBytes(OnTerminal(c.remoteFlag), &flag));
        EXPECT_EQ(flag, "11");
        ExpectCleanProgramFolder();
    }
}

TEST_F(SimulatorRunTest, VK1200GetsNineBytesAndNoFlag) {
    UseTerminal("normal");
    ForgetOnTerminal(L"\\AppUpgradePack.zip");
    ForgetOnTerminal(L"\\AppUpgradeFlag.cfg");
    ChooseEthernetModel(L"VK1200", 0);
    MakePack(PackRecipe::For(L"VK1200", 0));
    EXPECT_EQ(RunEthernet(), (Events{L"0|正准备升级...", L"0.1|成功连接终端.", L"0.2|", L"0.5|", L"0.6|",
                                     L"0.75|正在校验升级包...", L"0.85|正在启动升级", L"banner ok", L"enter"}));
    std::string arrived;
    ASSERT_TRUE(ReadBytes(OnTerminal(L"\\AppUpgradePack.zip"), &arrived));
    EXPECT_EQ(arrived, packBytes);
    EXPECT_FALSE(platform::PathExists(OnTerminal(L"\\AppUpgradeFlag.cfg"))) << "VK1200 gets no flag file";

    // The start command reaches the terminal a moment after the run ends.
    std::string startRecord;
    for (int i = 0; i < 50 && startRecord.empty(); ++i) {
        for (const std::string& line : NewJournal())
            if (line.find("\"start\"") != std::string::npos) startRecord = line;
        if (startRecord.empty()) Sleep(100);
    }
    EXPECT_NE(startRecord.find("\"040000000100000000\""), std::string::npos) << startRecord;
    EXPECT_NE(startRecord.find("\"size\": 9"), std::string::npos) << startRecord;
    ExpectCleanProgramFolder();
}

TEST_F(SimulatorRunTest, RefusedLoginClosesTheWindow) {
    UseTerminal("refuse");
    ChooseEthernetModel(L"M3710", 0);
    MakePack(PackRecipe::For(L"M3710", 0));
    EXPECT_EQ(RunEthernet(), (Events{L"0|正准备升级...", L"0.1|终端连接失败.", L"close"}));
    ExpectCleanProgramFolder();
}

TEST_F(SimulatorRunTest, UploadCutHalfwayShowsTheFailureBanner) {
    UseTerminal("drop");
    ChooseEthernetModel(L"M3750", 0);
    PackRecipe recipe = PackRecipe::For(L"M3750", 0);
    recipe.files.push_back({"firmware/image.bin", NoiseBytes(400000, 7)});
    MakePack(recipe);
    EXPECT_EQ(RunEthernet(), (Events{L"0|正准备升级...", L"0.1|成功连接终端.", L"0.2|", L"0.5|", L"0.6|",
                                     L"0.7|拷贝升级包失败.", L"banner failed", L"enter"}));
    ExpectCleanProgramFolder();
}

// A pack that did not arrive whole never gets its flag, on either connection.
TEST_F(SimulatorRunTest, CopiesThatDoNotCheckOutAreRemovedAndGetNoFlag) {
    UseTerminal("short");
    ChooseEthernetModel(L"M3710", 0);
    ForgetOnTerminal(L"\\Storage Card\\AppUpgradeFlag.cfg");
    MakePack(PackRecipe::For(L"M3710", 0));
    EXPECT_EQ(RunEthernet(), (Events{L"0|正准备升级...", L"0.1|成功连接终端.", L"0.2|", L"0.5|", L"0.6|",
                                     L"0.75|正在校验升级包...", L"0.75|升级包校验失败，请重新升级！",
                                     L"banner failed", L"enter"}));
    EXPECT_FALSE(platform::PathExists(OnTerminal(L"\\Storage Card\\AppUpgradePack.zip"))) << "deleted";
    EXPECT_FALSE(platform::PathExists(OnTerminal(L"\\Storage Card\\AppUpgradeFlag.cfg")));
    ExpectCleanProgramFolder();

    progress.events.clear();
    selection.ChooseModel(Model(L"M2410"), nullptr);  // M2410 over USB
    MakePack({});
    TerminalDiskAt(diskFolder + L"\\");
    files.corruptCopies = true;
    EXPECT_EQ(RunUsb(), (Events{L"0|正准备升级...", L"0.2|", L"0.5|", L"0.6|", L"0.8|", L"0.85|正在校验升级包...",
                                L"0.85|升级包校验失败，请重新升级！", L"banner failed", L"enter"}));
    EXPECT_FALSE(platform::PathExists(diskFolder + L"\\AppUpgradePack.zip"));
    EXPECT_FALSE(platform::PathExists(diskFolder + L"\\AppUpgradeFlag.cfg"));
    ExpectCleanProgramFolder();
}

TEST_F(SimulatorRunTest, FullTerminalDiskShowsTheFailureBanner) {
    UseTerminal("quota");
    ChooseEthernetModel(L"M3710", 1);
    PackRecipe recipe = PackRecipe::For(L"M3710", 1);
    recipe.files.push_back({"firmware/image.bin", NoiseBytes(1500000, 11)});
    MakePack(recipe, L"SystemUpgradePack.zip");
    EXPECT_EQ(RunEthernet(), (Events{L"0|正准备升级...", L"0.1|成功连接终端.", L"0.2|", L"0.5|", L"0.6|",
                                     L"0.7|拷贝升级包失败.", L"banner failed", L"enter"}));
    ExpectCleanProgramFolder();
}

// ---- With the progress window ------------------------------------------------

// Records the reports (from the worker) and passes them on to the window.
class TeeProgress : public IProgressSink {
public:
    explicit TeeProgress(IProgressSink& window) : m_window(window) {}
    void SetProgress(double f, const std::wstring& m) override { Record([&] { m_log.SetProgress(f, m); }); m_window.SetProgress(f, m); }
    void CloseAfterDelay() override { Record([&] { m_log.CloseAfterDelay(); }); m_window.CloseAfterDelay(); }
    void ShowResult(bool ok) override { Record([&] { m_log.ShowResult(ok); }); m_window.ShowResult(ok); }
    void CloseOnEnter() override { m_window.CloseOnEnter(); Record([&] { m_log.CloseOnEnter(); }); }
    Events Snapshot() {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_log.events;
    }

private:
    template <typename F>
    void Record(F f) {
        std::lock_guard<std::mutex> lock(m_lock);
        f();
    }
    IProgressSink& m_window;
    RecordingProgress m_log;
    std::mutex m_lock;
};

class OwnerWindow {
public:
    OwnerWindow() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QuillonRunOwner";
        RegisterClassW(&wc);
        hwnd = CreateWindowExW(0, wc.lpszClassName, L"owner", WS_POPUP | WS_VISIBLE, 100, 80, 624, 369, nullptr,
                               nullptr, wc.hInstance, nullptr);
        owner.SubclassWindow(hwnd);
    }
    ~OwnerWindow() {
        owner.UnsubclassWindow();
        DestroyWindow(hwnd);
    }
    HWND hwnd;
    CWnd owner;
};

// A run as the operator sees it: the worker reports into a real progress
// window, modal over an owner window.
struct WindowedRun {
    WindowedRun(UpgradeSelection& selection, RunFileSystem& files, const std::wstring& programFolder)
        : window(&owner.owner), sink(window), tee(sink), run(MakeRunRequest(selection), {tee, ftp, start, files}, programFolder) {}

    // Runs until the window closes; `operatorHand` (on its own thread) may
    // press keys meanwhile. Returns DoModal's result.
    INT_PTR Go(std::function<void()> operatorHand = nullptr) {
        UpgradeJob job{&run};
        std::thread hand(operatorHand ? operatorHand : [] {});
        INT_PTR result = RunUpgradeWithWindow(window, job);
        hand.join();
        return result;
    }

    OwnerWindow owner;
    CScrollDlg window;
    ScrollDlgProgress sink;
    TeeProgress tee;
    FakeFtp ftp;
    FakeStartCommand start;
    CUpgradeRun run;
};

TEST_F(WindowsRunTest, RunInTheProgressWindowEndsWithBannerAndEnter) {
    MakePack({});
    TerminalDiskAt(diskFolder + L"\\");
    WindowedRun w(selection, files, programFolder);
    // The operator presses Enter once the banner is up.
    INT_PTR result = w.Go([&] {
        for (int i = 0; i < 300; ++i) {
            Events e = w.tee.Snapshot();
            if (!e.empty() && e.back() == L"enter") break;
            Sleep(100);
        }
        PostMessageW(w.window.GetSafeHwnd(), WM_KEYDOWN, VK_RETURN, 0);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(w.tee.Snapshot(), (Events{L"0|正准备升级...", L"0.2|", L"0.5|", L"0.6|", L"0.8|", L"0.85|正在校验升级包...", L"banner ok", L"enter"}));
    EXPECT_FALSE(w.window.m_bWaitEnter) << "Enter clears the wait";
    EXPECT_TRUE(platform::PathExists(diskFolder + L"\\AppUpgradeFlag.cfg"));
    ExpectCleanProgramFolder();
}

TEST_F(WindowsRunTest, RefusedPackClosesTheProgressWindowByItself) {
    PackRecipe other;
    other.model = L"M2450";
    MakePack(other);
    TerminalDiskAt(diskFolder + L"\\");
    WindowedRun w(selection, files, programFolder);
    DWORD begin = GetTickCount();
    INT_PTR result = w.Go();
    DWORD took = GetTickCount() - begin;
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(w.tee.Snapshot(), (Events{L"0|正准备升级...", L"0.2|", L"0.5|升级失败,M2450 与 M2410不能匹配", L"close"}));
    EXPECT_GE(took, 4000u) << "the 4 s close delay";
    EXPECT_LT(took, 30000u);
    EXPECT_TRUE(ExtractionFolderLeft()) << "a refused model leaves the folder until the next run";
}

// No close is lost: a run that fails at its first step, and a machine so
// slow that the window comes up only after the worker asked it to close.
TEST_F(WindowsRunTest, ProgressWindowClosesHoweverEarlyTheRunFails) {
    MakePack({});
    DiscoverDisks(RecordedMachine{});  // no terminal disk: the first step fails
    {
        WindowedRun w(selection, files, programFolder);
        EXPECT_EQ(w.Go(), IDOK);
        EXPECT_EQ(w.tee.Snapshot(), (Events{L"0|正准备升级...", L"0.1|没有适配终端设备,请重新选择.", L"close"}));
    }
    {
        WindowedRun w(selection, files, programFolder);
        w.window.BeginRun();
        std::thread worker([&] { w.run.Run(); });  // reports before any window exists
        Sleep(5000);                                // past the 4 s close delay
        EXPECT_EQ(w.window.DoModal(), IDOK) << "the window closes as soon as it is up";
        worker.join();
    }
}

}  // namespace
