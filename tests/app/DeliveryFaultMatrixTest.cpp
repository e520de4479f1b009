// Every step of both deliveries made to fail, on a terminal that is empty
// and on one that still holds an earlier delivery (pack and flag, not yet
// restarted). Whatever fails, the terminal ends either delivered (the new
// pack whole under the kind's name, then its flag or start command) or
// without any flag of that kind; a refusal before the delivery leaves it as
// it was.
#include <gtest/gtest.h>

#include <cwchar>
#include <functional>

#include "app/RecordingProgressSink.h"
#include "app/RunRecord.h"
#include "app/RunTexts.h"
#include "app/UpgradeRun.h"
#include "platform/File.h"
#include "signature/PackSignature.h"
#include "signature/TrustedKeys.h"
#include "support/RunFixture.h"
#include "support/ModelNamed.h"

namespace {

enum class Disk { Sound, CopyCut, ReadBackDiffers, FlagCopyFails, OldFlagStays, PackNotFlushed, FlagNotFlushed,
                  RootNotFlushed };

// A terminal disk that fails where it is told to. A cut copy leaves what it
// wrote, and a failed flag copy leaves the flag file it made, as a shell
// copy may: the run has to clean up after both.
class FaultyDisk : public SeamedFileSystem {
public:
    bool CopyFileTo(const std::wstring& file, const std::wstring& target) override {
        Note(L"copy", target);
        if (fault == Disk::CopyCut && EndsWith(target, L"Pack.zip")) {
            std::string bytes;
            ReadBytes(file, &bytes);
            WriteBytes(target, bytes.substr(0, cutAfter));
            return false;
        }
        if (fault == Disk::FlagCopyFails && EndsWith(target, L"Flag.cfg")) {
            WriteBytes(target, "");
            return false;
        }
        return SeamedFileSystem::CopyFileTo(file, target);
    }
    bool FlushToDevice(const std::wstring& path) override {
        Note(L"flush", path);
        if ((fault == Disk::PackNotFlushed && EndsWith(path, L"Pack.zip")) ||
            (fault == Disk::FlagNotFlushed && EndsWith(path, L"Flag.cfg")) ||
            (fault == Disk::RootNotFlushed && path == diskRoot + L"\\"))
            return false;
        return SeamedFileSystem::FlushToDevice(path);
    }
    bool ReadBackMD5(const std::wstring& path, std::string* hex) override {
        Note(L"read back", path);
        if (!SeamedFileSystem::ReadBackMD5(path, hex)) return false;
        if (fault == Disk::ReadBackDiffers) (*hex)[0] = (*hex)[0] == '0' ? '1' : '0';
        return true;
    }
    bool DeletePath(const std::wstring& path) override {
        Note(L"delete", path);
        if (fault == Disk::OldFlagStays && EndsWith(path, L"Flag.cfg") && path.compare(0, diskRoot.size(), diskRoot) == 0)
            return !platform::PathExists(path);
        return SeamedFileSystem::DeletePath(path);
    }

    Disk fault = Disk::Sound;
    size_t cutAfter = 0;
    std::wstring diskRoot;
    // What was done on the terminal's disk, in order: "flush \\AppUpgradeFlag.cfg".
    std::vector<std::wstring> journal;

private:
    void Note(const wchar_t* what, const std::wstring& path) {
        if (!diskRoot.empty() && path.compare(0, diskRoot.size(), diskRoot) == 0)
            journal.push_back(std::wstring(what) + L" " + path.substr(diskRoot.size()));
    }
    static bool EndsWith(const std::wstring& s, const wchar_t* tail) {
        const size_t n = std::wcslen(tail);
        return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
    }
};

enum class Link { Usb, Flag, StartCommand };

struct Fault {
    const char* name;
    Link link;
    // Makes the fault, given the pack's size.
    std::function<void(FaultyDisk&, FakeFtp&, FakeStartCommand&, size_t packSize)> make;
    UpgradeResult result;
    const wchar_t* finalText;
    // A fault that only matters when an earlier delivery's flag is there.
    bool onlyWithOldFlag = false;
};

constexpr wchar_t kRemotePack[] = L"\\Storage Card\\AppUpgradePack.zip";
constexpr wchar_t kRemoteFlag[] = L"\\Storage Card\\AppUpgradeFlag.cfg";
constexpr wchar_t kVkPack[] = L"\\AppUpgradePack.zip";
constexpr wchar_t kVkFlag[] = L"\\AppUpgradeFlag.cfg";
const std::string kOldPack = "the pack of an earlier delivery";

void Nothing(FaultyDisk&, FakeFtp&, FakeStartCommand&, size_t) {}

std::function<void(FaultyDisk&, FakeFtp&, FakeStartCommand&, size_t)> DiskFault(Disk fault,
                                                                                std::function<size_t(size_t)> cut = {}) {
    return [=](FaultyDisk& d, FakeFtp&, FakeStartCommand&, size_t size) {
        d.fault = fault;
        if (cut) d.cutAfter = cut(size);
    };
}

std::function<void(FaultyDisk&, FakeFtp&, FakeStartCommand&, size_t)> Refuse(std::wstring call) {
    return [=](FaultyDisk&, FakeFtp& f, FakeStartCommand&, size_t) { f.refusedCalls.push_back(call); };
}

std::function<void(FaultyDisk&, FakeFtp&, FakeStartCommand&, size_t)> CutUpload(std::function<size_t(size_t)> at,
                                                                                const wchar_t* what = L"Pack.zip") {
    return [=](FaultyDisk&, FakeFtp& f, FakeStartCommand&, size_t size) {
        f.cutUploadAfter = at(size);
        f.cutUploadsContaining = what;
    };
}

size_t AtStart(size_t) { return 0; }
size_t Halfway(size_t n) { return n / 2; }
size_t AtLastByte(size_t n) { return n - 1; }

const UpgradeResult kOk = UpgradeResult::Success, kFailed = UpgradeResult::Failure,
                    kRefused = UpgradeResult::Refused;

const Fault kFaults[] = {
    // USB (M2410, empty flag on the disk)
    {"usb sound", Link::Usb, Nothing, kOk, runtext::kSucceeded},
    {"usb disk gone", Link::Usb, [](FaultyDisk&, FakeFtp&, FakeStartCommand&, size_t) {}, kRefused,
     runtext::kDiskPathMissing},
    {"usb no space", Link::Usb, [](FaultyDisk& d, FakeFtp&, FakeStartCommand&, size_t n) { d.freeBytes = n - 1; },
     kRefused, runtext::kNoDiskSpace},
    {"usb copy cut at start", Link::Usb, DiskFault(Disk::CopyCut, AtStart), kFailed, runtext::kUsbPackCopyFailed},
    {"usb copy cut halfway", Link::Usb, DiskFault(Disk::CopyCut, Halfway), kFailed, runtext::kUsbPackCopyFailed},
    {"usb copy cut at the last byte", Link::Usb, DiskFault(Disk::CopyCut, AtLastByte), kFailed,
     runtext::kUsbPackCopyFailed},
    {"usb read-back differs", Link::Usb, DiskFault(Disk::ReadBackDiffers), kFailed, runtext::kVerifyFailed},
    {"usb flag copy fails", Link::Usb, DiskFault(Disk::FlagCopyFails), kFailed, runtext::kFlagCopyFailed},
    {"usb old flag stays", Link::Usb, DiskFault(Disk::OldFlagStays), kFailed, runtext::kOldFlagNotRemoved, true},
    {"usb flag removal not flushed", Link::Usb, DiskFault(Disk::RootNotFlushed), kFailed, runtext::kOldFlagNotRemoved},
    {"usb pack not flushed", Link::Usb, DiskFault(Disk::PackNotFlushed), kFailed, runtext::kUsbPackCopyFailed},
    {"usb flag not flushed", Link::Usb, DiskFault(Disk::FlagNotFlushed), kFailed, runtext::kFlagCopyFailed},
    // Ethernet with a flag file (M3710)
    {"ftp sound", Link::Flag, Nothing, kOk, runtext::kSucceeded},
    {"ftp login refused", Link::Flag, [](FaultyDisk&, FakeFtp& f, FakeStartCommand&, size_t) { f.acceptLogin = false; },
     kRefused, runtext::kConnectFailed},
    {"ftp CWD refused", Link::Flag, Refuse(L"cd "), kOk, runtext::kSucceeded},
    {"ftp DELE of the old flag refused", Link::Flag, Refuse(std::wstring(L"delete ") + kRemoteFlag), kFailed,
     runtext::kOldFlagNotRemoved, true},
    // A refused DELE with a SIZE that cannot say the flag is gone: it counts as there.
    {"ftp DELE refused, no SIZE", Link::Flag,
     [](FaultyDisk&, FakeFtp& f, FakeStartCommand&, size_t) {
         f.refusedCalls = {std::wstring(L"delete ") + kRemoteFlag};
         f.answersSize = false;
     },
     kFailed, runtext::kOldFlagNotRemoved},
    {"ftp DELE refused, SIZE unanswered", Link::Flag,
     [](FaultyDisk&, FakeFtp& f, FakeStartCommand&, size_t) {
         f.refusedCalls = {std::wstring(L"delete ") + kRemoteFlag};
         f.sizeOfMissingIs550 = false;
     },
     kFailed, runtext::kOldFlagNotRemoved},
    {"ftp pack STOR refused", Link::Flag, Refuse(std::wstring(L"put ") + kRemotePack), kFailed, runtext::kUploadFailed},
    {"ftp upload cut at start", Link::Flag, CutUpload(AtStart), kFailed, runtext::kUploadFailed},
    {"ftp upload cut halfway", Link::Flag, CutUpload(Halfway), kFailed, runtext::kUploadFailed},
    {"ftp upload cut at the end", Link::Flag, CutUpload(AtLastByte), kFailed, runtext::kUploadFailed},
    {"ftp upload stored short", Link::Flag,
     [](FaultyDisk&, FakeFtp& f, FakeStartCommand&, size_t n) { f.storedBytesLimit = n - 1; }, kFailed,
     runtext::kVerifyFailed},
    {"ftp SIZE short", Link::Flag, [](FaultyDisk&, FakeFtp& f, FakeStartCommand&, size_t) { f.sizeSkew = -1; },
     kFailed, runtext::kVerifyFailed},
    {"ftp SIZE missing", Link::Flag, Refuse(std::wstring(L"size ") + kRemotePack), kFailed, runtext::kVerifySkipped},
    {"ftp SIZE short, DELE of the upload refused", Link::Flag,
     [](FaultyDisk&, FakeFtp& f, FakeStartCommand&, size_t) {
         f.sizeSkew = -1;
         f.refusedCalls.push_back(std::wstring(L"delete ") + kRemotePack);
     },
     kFailed, runtext::kVerifyFailed},
    {"ftp flag STOR refused", Link::Flag, Refuse(std::wstring(L"put ") + kRemoteFlag), kFailed,
     runtext::kFlagCopyFailed},
    {"ftp flag upload cut", Link::Flag, CutUpload([](size_t) { return size_t{1}; }, L"Flag.cfg"), kFailed,
     runtext::kFlagCopyFailed},
    {"ftp flag not sized", Link::Flag, Refuse(std::wstring(L"size ") + kRemoteFlag), kOk, runtext::kSucceeded},
    // Ethernet with the start command (VK1200)
    {"start sound", Link::StartCommand, Nothing, kOk, runtext::kSucceeded},
    {"start upload cut halfway", Link::StartCommand, CutUpload(Halfway), kFailed, runtext::kUploadFailed},
    {"start SIZE short", Link::StartCommand,
     [](FaultyDisk&, FakeFtp& f, FakeStartCommand&, size_t) { f.sizeSkew = -1; }, kFailed, runtext::kVerifyFailed},
    {"start connection refused", Link::StartCommand,
     [](FaultyDisk&, FakeFtp&, FakeStartCommand& s, size_t) { s.acceptConnection = false; }, kFailed,
     runtext::kStartFailed},
    {"start command refused", Link::StartCommand,
     [](FaultyDisk&, FakeFtp&, FakeStartCommand& s, size_t) { s.sendSucceeds = false; }, kFailed,
     runtext::kStartFailed},
};

class DeliveryFaultMatrix : public RunFixture {
protected:
    struct Terminal {
        bool packThere = false, flagThere = false;
        std::string pack, flag;
        bool operator==(const Terminal& o) const {
            return packThere == o.packThere && flagThere == o.flagThere && pack == o.pack && flag == o.flag;
        }
    };

    void Prepare(const Fault& fault, bool oldDelivery) {
        const bool usb = fault.link == Link::Usb;
        const wchar_t* model = usb ? L"M2410" : fault.link == Link::Flag ? L"M3710" : L"VK1200";
        selection.ChooseModel(Model(model), nullptr);
        selection.connectionMode = usb ? kConnectionUsb : kConnectionEthernet;
        selection.terminalAddress = L"198.51.100.31";
        // The pack's own file name is not the terminal's: the copy must
        // still bear the kind's name.
        MakePack(PackRecipe::For(model, 0), L"AppPack_v2.zip");
        if (usb) {
            UsbDiskInfo disk{};
            const std::wstring drive =
                std::string(fault.name) == "usb disk gone" ? root / L"gone\\" : diskFolder + L"\\";
            std::wcsncpy(disk.volume.szDrivePath, drive.c_str(), 255);
            disk.volume.dwDiskNumber = 1;
            selection.terminalDisks.Replace({disk});
        }
        if (oldDelivery) {
            if (usb) {
                ASSERT_TRUE(WriteBytes(diskFolder + L"\\AppUpgradePack.zip", kOldPack));
                ASSERT_TRUE(WriteBytes(diskFolder + L"\\AppUpgradeFlag.cfg", ""));
            } else {
                const bool vk = fault.link == Link::StartCommand;
                ftp.files[vk ? kVkPack : kRemotePack] = kOldPack;
                // A VK1200 reads no flag; one lying there from elsewhere stays untouched.
                ftp.files[vk ? kVkFlag : kRemoteFlag] = "11";
            }
        }
        fault.make(disk, ftp, start, packBytes.size());
    }

    Terminal Read(Link link) {
        Terminal t;
        if (link == Link::Usb) {
            t.packThere = ReadBytes(diskFolder + L"\\AppUpgradePack.zip", &t.pack);
            t.flagThere = ReadBytes(diskFolder + L"\\AppUpgradeFlag.cfg", &t.flag);
        } else {
            const bool vk = link == Link::StartCommand;
            auto pack = ftp.files.find(vk ? kVkPack : kRemotePack);
            auto flag = ftp.files.find(vk ? kVkFlag : kRemoteFlag);
            if ((t.packThere = pack != ftp.files.end())) t.pack = pack->second;
            if ((t.flagThere = flag != ftp.files.end())) t.flag = flag->second;
        }
        return t;
    }

    // Each case on a PC and a terminal of its own.
    bool FreshCase(const std::wstring& name) {
        const std::wstring own = root / name;
        programFolder = own + L"\\program";
        diskFolder = own + L"\\disk";
        disk = FaultyDisk();
        disk.diskRoot = diskFolder;
        ftp = FakeFtp();
        start = FakeStartCommand();
        progress.events.clear();
        return platform::MakeDirectory(own) && platform::MakeDirectory(programFolder) &&
               platform::MakeDirectory(diskFolder);
    }

    FaultyDisk disk;
    FakeFtp ftp;
    FakeStartCommand start;
};

TEST_F(DeliveryFaultMatrix, TerminalEndsDeliveredOrUnflagged) {
    int cases = 0;
    for (const Fault& fault : kFaults) {
        for (bool oldDelivery : {false, true}) {
            SCOPED_TRACE(std::string(fault.name) + (oldDelivery ? ", earlier delivery on the terminal" : ", empty terminal"));
            ASSERT_TRUE(FreshCase(L"case" + std::to_wstring(++cases)));
            Prepare(fault, oldDelivery);
            const Terminal before = Read(fault.link);

            RecordingProgressSink recorder(progress);
            CUpgradeRun run(MakeRunRequest(selection), {recorder, ftp, start, disk}, programFolder);
            run.Run();
            UpgradeRecord record = StartRunRecord(MakeRunRequest(selection), L"V");
            FinishRunRecord(&record, run.Outcome(), recorder);
            const Terminal after = Read(fault.link);

            const bool harmless = fault.onlyWithOldFlag && !oldDelivery;
            EXPECT_EQ(record.result, harmless ? kOk : fault.result);
            EXPECT_EQ(record.finalText, harmless ? runtext::kSucceeded : fault.finalText);
            EXPECT_EQ(run.Outcome().packMd5, Md5Hex(packBytes)) << "the record's digest comes with the outcome";

            const bool sent = !start.calls.empty() && start.calls.size() > 1 && start.calls[1] == L"send";
            if (record.result == kOk) {
                // Delivered: the whole new pack, then its flag or its start.
                EXPECT_TRUE(after.packThere);
                EXPECT_EQ(after.pack, packBytes);
                if (fault.link == Link::StartCommand) {
                    EXPECT_TRUE(sent);
                } else {
                    EXPECT_TRUE(after.flagThere);
                    EXPECT_EQ(after.flag, fault.link == Link::Usb ? "" : "11");
                }
            } else if (record.result == kRefused) {
                EXPECT_TRUE(after == before) << "a refusal leaves the terminal as it was";
            } else if (fault.link == Link::StartCommand) {
                if (sent) {
                    EXPECT_EQ(after.pack, packBytes) << "the start command only after a verified pack";
                }
            } else {
                EXPECT_FALSE(after.flagThere && !oldDelivery) << "a failed delivery leaves no flag";
                if (after.flagThere) {
                    EXPECT_TRUE(after == before) << "an old flag that stays stops the delivery";
                }
            }
            // Whatever lies there under the pack's name, flagged or not, is
            // never a broken copy of the new pack.
            EXPECT_FALSE(after.packThere && after.pack != packBytes && after.pack != kOldPack)
                << "a cut copy was left on the terminal";
            if (fault.link == Link::Usb && record.result != kRefused) {
                EXPECT_FALSE(platform::PathExists(diskFolder + L"\\AppPack_v2.zip")) << "the PC's file name";
            }
            ExpectCleanProgramFolder();
        }
    }
}

// Nothing reaches the terminal before the old flag's removal is on the
// device; the pack is on the device before it is read back; success waits
// for the flag and its folder entry.
TEST_F(DeliveryFaultMatrix, UsbDeliveryIsFlushedStepByStep) {
    disk.diskRoot = diskFolder;
    const Fault sound = {"usb sound", Link::Usb, Nothing, kOk, runtext::kSucceeded};
    Prepare(sound, true);
    CUpgradeRun run(MakeRunRequest(selection), {progress, ftp, start, disk}, programFolder);
    run.Run();
    ASSERT_EQ(run.Outcome().result, kOk);
    EXPECT_EQ(disk.journal, (std::vector<std::wstring>{
                                L"delete \\AppUpgradeFlag.cfg", L"flush \\", L"copy \\AppUpgradePack.zip",
                                L"flush \\AppUpgradePack.zip", L"read back \\AppUpgradePack.zip",
                                L"copy \\AppUpgradeFlag.cfg", L"flush \\AppUpgradeFlag.cfg", L"flush \\"}));
}

// Reports pass through; after the `swapAt`-th one the pack on the PC is
// replaced by other bytes, as another program or a synced folder might.
class SwappingProgress : public IProgressSink {
public:
    SwappingProgress(IProgressSink& inner, std::wstring pack, std::string other, int swapAt)
        : m_inner(inner), m_pack(std::move(pack)), m_other(std::move(other)), m_swapAt(swapAt) {}
    void SetProgress(double fraction, const std::wstring& message) override {
        m_inner.SetProgress(fraction, message);
        if (++m_reports == m_swapAt) WriteBytes(m_pack, m_other);
    }
    void CloseAfterDelay() override { m_inner.CloseAfterDelay(); }
    void ShowResult(bool success) override { m_inner.ShowResult(success); }
    void CloseOnEnter() override { m_inner.CloseOnEnter(); }

private:
    IProgressSink& m_inner;
    std::wstring m_pack;
    std::string m_other;
    int m_swapAt, m_reports = 0;
};

// A signed pack replaced by an unsigned one after any step: whatever the
// run delivers is the pack it checked, under that pack's digest and signer.
TEST_F(DeliveryFaultMatrix, PackSwappedAfterAnyStepIsNeverDelivered) {
    minisign::PublicKey publicKey;
    minisign::SecretKey secretKey;
    ASSERT_TRUE(MakeKeyPair(&publicKey, &secretKey));
    int cases = 0;
    for (Link link : {Link::Usb, Link::Flag, Link::StartCommand}) {
        for (int swapAt = 1; swapAt <= 12; ++swapAt) {
            SCOPED_TRACE("link " + std::to_string(static_cast<int>(link)) + ", swapped after report " +
                         std::to_string(swapAt));
            ASSERT_TRUE(FreshCase(L"swap" + std::to_wstring(++cases)));
            const Fault sound = {"sound", link, Nothing, kOk, runtext::kSucceeded};
            Prepare(sound, false);
            const std::string checked = packBytes;
            std::string problem;
            ASSERT_TRUE(SignFile(selection.packPath, secretKey, "checked", &problem)) << problem;
            const std::wstring trustFile = programFolder + L"\\" + kTrustFileName;
            ASSERT_TRUE(WriteBytes(trustFile, minisign::PublicKeyLine(publicKey) + "\n"));
            // The same model's pack with other content, unsigned.
            PackRecipe otherRecipe = PackRecipe::For(link == Link::Usb ? L"M2410" : link == Link::Flag ? L"M3710" : L"VK1200", 0);
            otherRecipe.files.push_back({"swapped.txt", "not the checked pack"});
            const std::wstring otherPath = MakePack(otherRecipe, L"other.zip");
            const std::string other = packBytes;
            selection.packPath = programFolder + L"\\..\\AppPack_v2.zip";
            ASSERT_TRUE(WriteBytes(selection.packPath, checked));
            ASSERT_TRUE(SignFile(selection.packPath, secretKey, "checked", &problem)) << problem;

            SwappingProgress swapping(progress, selection.packPath, other, swapAt);
            RecordingProgressSink recorder(swapping);
            RunRequest request = MakeRunRequest(selection);
            request.trustFile = trustFile;
            CUpgradeRun run(request, {recorder, ftp, start, disk}, programFolder);
            run.Run();
            const Terminal after = Read(link);
            if (run.Outcome().result == kOk) {
                EXPECT_EQ(after.pack, checked) << "the checked pack, not the one put in its place";
                EXPECT_EQ(run.Outcome().packMd5, Md5Hex(checked));
                EXPECT_FALSE(run.Outcome().signerKeyId.empty());
            } else {
                EXPECT_FALSE(after.packThere && after.pack == other) << "the swapped pack reached the terminal";
                EXPECT_EQ(run.Outcome().result, kRefused) << "only a pack swapped before it was read is refused";
            }
            platform::RemoveFile(otherPath);
            EXPECT_FALSE(ExtractionFolderLeft());
            EXPECT_FALSE(platform::PathExists(programFolder + L"\\pack.snapshot"));
        }
    }
}

}  // namespace
