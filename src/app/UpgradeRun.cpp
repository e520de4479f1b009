#include "app/UpgradeRun.h"

#include <utility>

#include "app/ModelMatch.h"
#include "app/RunTexts.h"
#include "pack/FolderMD5Check.h"
#include "pack/UpgradePack.h"
#include "pack/Unzip.h"
#include "platform/Text.h"

namespace {
constexpr uint32_t kReadOnlyOrSystem = 0x5;  // FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM
constexpr int kModelVK1200 = 4;
constexpr double kExtractFraction = 0.2;
// Between the copy of the pack and the flag file.
constexpr double kUsbVerifyFraction = 0.85;
constexpr double kEthernetVerifyFraction = 0.75;

std::wstring FileNameOf(const std::wstring& path) {
    size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
}
}  // namespace

CUpgradeRun::CUpgradeRun(UpgradeSelection& selection, Services services, std::wstring programFolder)
    : m_selection(selection), m_services(services), m_programFolder(std::move(programFolder)) {}

std::wstring CUpgradeRun::ExtractionFolder() const { return m_programFolder + runtext::kExtractionFolder; }

void CUpgradeRun::FailAndClose(double fraction, const std::wstring& message) {
    m_services.progress.SetProgress(fraction, message);
    m_services.progress.CloseAfterDelay();
}

void CUpgradeRun::FailWithBanner(double fraction, const std::wstring& message) {
    m_services.progress.SetProgress(fraction, message);
    m_services.progress.ShowResult(false);
    m_services.progress.WaitForEnter();
}

void CUpgradeRun::Succeed() {
    m_services.progress.ShowResult(true);
    m_services.progress.WaitForEnter();
}

void CUpgradeRun::Run() {
    m_services.progress.SetProgress(0.0, runtext::kPreparing);
    if (m_selection.connectionMode != kConnectionEthernet)
        RunUsbUpgrade();
    else
        RunEthernetUpgrade();
}

void CUpgradeRun::DeleteExtractionFolder() {
    // The manifest check walks the folder and may leave the process inside it.
    m_services.files.EnterDirectory(m_programFolder);
    m_services.files.DeletePath(ExtractionFolder());
}

bool CUpgradeRun::ExtractAndCheckPack() {
    const std::wstring folder = ExtractionFolder();
    if (m_services.files.PathExists(folder)) DeleteExtractionFolder();
    m_selection.manifestChecker.reset();

    // A pack that was not wholly extracted is damaged whatever it holds;
    // one that could not be opened, or did not fit on this PC's disk, is
    // not the terminal's fault and says so.
    const int32_t extracted = unzip(folder.c_str(), m_selection.packPath.c_str());
    if (extracted == kUnzipCannotOpenOrNoSpace) {
        FailAndClose(kExtractFraction, runtext::kExtractFailed);
        DeleteExtractionFolder();
        return false;
    }
    if (extracted != kUnzipDone) {
        FailAndClose(0.6, runtext::kPackDamaged);
        DeleteExtractionFolder();
        return false;
    }

    if (!CheckModelMatch(folder)) return false;  // the folder stays until the next run
    bool damaged = CheckPackIntact(folder);
    DeleteExtractionFolder();
    return !damaged;
}

void CUpgradeRun::RunUsbUpgrade() {
    UsbDiskInfo disk;
    if (!m_selection.SelectedDisk(&disk)) {
        FailAndClose(0.1, runtext::kNoTerminalDisk);
        return;
    }
    const std::wstring diskPath = disk.volume.szDrivePath;
    m_selection.selectedDiskPath = diskPath;
    if (!m_services.files.PathExists(diskPath)) {
        FailAndClose(0.1, runtext::kDiskPathMissing);
        return;
    }
    if (!TestDiskWritable(disk)) {
        FailAndClose(0.1, runtext::kDiskNotWritable);
        return;
    }
    if (!ExtractAndCheckPack()) return;
    if (!CheckDiskSpace()) return;

    if (!m_services.files.CopyToFolder(m_selection.packPath, diskPath)) {
        FailWithBanner(0.8, runtext::kUsbPackCopyFailed);
        return;
    }
    if (!VerifyDiskCopy(diskPath)) return;
    // The flag file on the disk must be empty: write it afresh even when an
    // earlier run left one with content beside the program.
    const std::wstring flag = m_programFolder + FlagFileName(m_selection.packKind);
    m_services.files.WriteFile(flag, std::string());
    if (m_services.files.CopyToFolder(flag, diskPath))
        Succeed();
    else
        FailWithBanner(0.9, runtext::kFlagCopyFailed);
    m_services.files.DeletePath(flag);
}

void CUpgradeRun::RunEthernetUpgrade() {
    IFtpSession& ftp = m_services.ftp;
    if (!ftp.Connect(m_selection.terminalAddress, m_selection.ftpPort, m_selection.ftpUser,
                     m_selection.ftpPassword)) {
        FailAndClose(0.1, runtext::kConnectFailed);
        return;
    }
    m_services.progress.SetProgress(0.1, runtext::kConnected);

    if (!ExtractAndCheckPack()) {
        ftp.Disconnect();  // do not hold the terminal's FTP session after a refusal
        return;
    }

    const std::wstring base = RemoteBaseFolder(m_selection.modelIndex);
    ftp.ChangeDirectory(base);  // the uploads name full remote paths anyway
    const std::wstring remotePack = base + RemotePackName(m_selection.packKind);
    if (!ftp.PutFile(m_selection.packPath, remotePack, true)) {
        FailWithBanner(0.7, runtext::kUploadFailed);
        ftp.Disconnect();
        return;
    }
    if (!VerifyUpload(remotePack)) {
        ftp.Disconnect();
        return;
    }

    const std::wstring flagName = FlagFileName(m_selection.packKind);
    const std::wstring flag = m_programFolder + flagName;
    if (m_services.files.PathExists(flag)) m_services.files.DeletePath(flag);
    m_services.files.WriteFile(flag, runtext::kEthernetFlagContent);

    if (m_selection.modelIndex != kModelVK1200) {
        if (ftp.PutFile(flag, base + flagName, true))
            Succeed();
        else
            FailWithBanner(0.8, runtext::kFlagCopyFailed);
    } else {
        // VK1200 starts its upgrade on a command instead of a flag file.
        m_services.progress.SetProgress(0.85, runtext::kStarting);
        IStartCommand& start = m_services.start;
        if (start.Connect(m_selection.terminalAddress) && start.SendStartCommand())
            Succeed();
        else
            FailWithBanner(0.9, runtext::kStartFailed);
        start.Close();
    }
    m_services.files.DeletePath(flag);
    ftp.Disconnect();
}

bool CUpgradeRun::VerifyDiskCopy(const std::wstring& diskPath) {
    m_services.progress.SetProgress(kUsbVerifyFraction, runtext::kVerifying);
    std::wstring copy = diskPath;
    if (!copy.empty() && copy.back() != L'\\') copy += L'\\';
    copy += FileNameOf(m_selection.packPath);
    std::string packDigest, copyDigest;
    if (m_services.files.FileMD5(m_selection.packPath, &packDigest) &&
        m_services.files.ReadBackMD5(copy, &copyDigest) && packDigest == copyDigest)
        return true;
    // The terminal must never find a bad pack, flagged or not.
    m_services.files.DeletePath(copy);
    FailWithBanner(kUsbVerifyFraction, runtext::kVerifyFailed);
    return false;
}

bool CUpgradeRun::VerifyUpload(const std::wstring& remotePack) {
    m_services.progress.SetProgress(kEthernetVerifyFraction, runtext::kVerifying);
    uint64_t packSize = 0, remoteSize = 0;
    if (!m_services.files.FileSize(m_selection.packPath, &packSize)) packSize = 0;
    if (!m_services.ftp.RemoteFileSize(remotePack, &remoteSize)) {
        // Some servers know no SIZE: the operator is told, the run goes on.
        m_services.progress.SetProgress(kEthernetVerifyFraction, runtext::kVerifySkipped);
        return true;
    }
    if (remoteSize == packSize) return true;
    m_services.ftp.DeleteRemoteFile(remotePack);
    FailWithBanner(kEthernetVerifyFraction, runtext::kVerifyFailed);
    return false;
}

bool CUpgradeRun::CheckModelMatch(const std::wstring& folder) {
    m_services.progress.SetProgress(0.2, L"");
    PackVerifyInfo info;
    {
        CUpgradePack pack(folder);
        info = pack.GetVerifyInfo();
    }
    ModelMatchResult r = MatchPackToSelection(info.ModelName(), info.PackKind(), m_selection.modelIndex,
                                              m_selection.modelName, m_selection.packKind);
    m_selection.modelIndex = r.modelIndex;  // a variant stays selected after the run
    m_selection.modelName = r.modelName;
    if (r.accepted) {
        m_services.progress.SetProgress(0.5, L"");
        return true;
    }
    FailAndClose(0.5, r.message);
    return false;
}

bool CUpgradeRun::CheckPackIntact(const std::wstring& folder) {
    m_selection.manifestChecker = std::make_unique<CFolderMD5Check>(folder);
    bool damaged = m_selection.manifestChecker->IsDamaged();
    if (damaged)
        FailAndClose(0.6, runtext::kPackDamaged);
    else
        m_services.progress.SetProgress(0.6, L"");
    return damaged;
}

bool CUpgradeRun::CheckDiskSpace() {
    UsbDiskInfo disk;
    uint64_t packSize = 0;  // 64-bit: packs of 4 GiB and more must not wrap
    uint64_t freeBytes = 0;
    if (m_selection.SelectedDisk(&disk)) {
        if (!m_services.files.FileSize(m_selection.packPath, &packSize)) packSize = 0;
        if (m_services.files.FreeBytes(disk.volume.szDrivePath, &freeBytes) && freeBytes >= packSize) {
            m_services.progress.SetProgress(0.8, L"");
            return true;
        }
    }
    FailAndClose(0.8, runtext::kNoDiskSpace);
    return false;
}

bool CUpgradeRun::TestDiskWritable(const UsbDiskInfo& disk) {
    const std::wstring drive = disk.volume.szDrivePath;
    uint32_t attributes = 0;
    bool haveAttributes = m_services.files.GetAttributes(drive, &attributes);
    // The probe folder's name goes through the ANSI code page, as the disk
    // sees it from an ANSI program.
    const std::wstring probe = platform::AnsiToWide(platform::WideToAnsi(drive + runtext::kDiskProbeFolder));
    platform::FsError error = platform::FsError::None;
    bool made = m_services.files.MakeDirectory(probe, &error);
    bool creatable = made || error == platform::FsError::AlreadyExists;  // an old probe folder stays
    if (made) m_services.files.RemoveEmptyDirectory(probe);
    return haveAttributes && !(attributes & kReadOnlyOrSystem) && creatable;
}
