#include "app/UpgradeRun.h"

#include <utility>

#include "app/RunTexts.h"
#include "app/UpgradePackCheck.h"
#include "pack/FolderMD5Check.h"
#include "platform/Text.h"

namespace {
constexpr uint32_t kReadOnlyOrSystem = 0x5;  // FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM
// Between the copy of the pack and the flag file.
constexpr double kUsbVerifyFraction = 0.85;
constexpr double kEthernetVerifyFraction = 0.75;

std::wstring FileNameOf(const std::wstring& path) {
    size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
}
}  // namespace

CUpgradeRun::CUpgradeRun(RunRequest request, Services services, std::wstring workFolder)
    : m_request(std::move(request)), m_services(services), m_workFolder(std::move(workFolder)) {
    m_outcome.modelIndex = m_request.modelIndex;
    m_outcome.modelName = m_request.modelName;
}

std::wstring CUpgradeRun::ExtractionFolder() const { return m_workFolder + runtext::kExtractionFolder; }

const DeviceModel* CUpgradeRun::Model() const { return FindRunModel(m_outcome.modelIndex); }

void CUpgradeRun::FailAndClose(double fraction, const std::wstring& message) {
    m_services.progress.SetProgress(fraction, message);
    m_services.progress.CloseAfterDelay();
    m_outcome.result = RunResult::Refused;
    m_outcome.finalText = message;
}

void CUpgradeRun::FailWithBanner(double fraction, const std::wstring& message) {
    m_services.progress.SetProgress(fraction, message);
    m_services.progress.ShowResult(false);
    m_services.progress.WaitForEnter();
    m_outcome.result = RunResult::Failed;
    m_outcome.finalText = message;
}

void CUpgradeRun::Succeed() {
    m_services.progress.ShowResult(true);
    m_services.progress.WaitForEnter();
    m_outcome.result = RunResult::Succeeded;
    m_outcome.finalText = L"请重启设备完成升级！";
}

void CUpgradeRun::Run() {
    m_services.progress.SetProgress(0.0, runtext::kPreparing);
    if (m_request.connection != kConnectionEthernet)
        RunUsbUpgrade();
    else
        RunEthernetUpgrade();
}

void CUpgradeRun::DeleteExtractionFolder() {
    // The manifest walk may leave the process inside the folder.
    m_services.files.EnterDirectory(m_workFolder);
    m_services.files.DeletePath(ExtractionFolder());
}

bool CUpgradeRun::ExtractAndCheckPack() {
    if (m_request.packChecked) return true;
    const std::wstring folder = ExtractionFolder();
    if (m_services.files.PathExists(folder)) DeleteExtractionFolder();

    PackCheckResult check = CheckUpgradePack(m_request.packPath, folder, m_outcome.modelIndex, m_outcome.modelName,
                                             m_request.packKind, &m_services.progress);
    m_outcome.modelIndex = check.modelIndex;  // a variant stays selected after the run
    m_outcome.modelName = check.modelName;
    m_outcome.manifestChecker = std::move(check.manifestChecker);
    if (check.Accepted()) {
        DeleteExtractionFolder();
        return true;
    }
    FailAndClose(check.fraction, check.message);
    if (check.verdict != PackVerdict::WrongModel) DeleteExtractionFolder();  // a refused model's folder stays
    return false;
}

void CUpgradeRun::RunUsbUpgrade() {
    if (!m_request.haveDisk) {
        FailAndClose(0.1, runtext::kNoTerminalDisk);
        return;
    }
    const UsbDiskInfo& disk = m_request.disk;
    const std::wstring diskPath = disk.volume.szDrivePath;
    m_outcome.diskPath = diskPath;
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

    if (!m_services.files.CopyToFolder(m_request.packPath, diskPath)) {
        FailWithBanner(0.8, runtext::kUsbPackCopyFailed);
        return;
    }
    if (!VerifyDiskCopy(diskPath)) return;
    // The flag file on the disk must be empty: write it afresh even when an
    // earlier run left one with content beside the program.
    const std::wstring flag = m_workFolder + FlagFileName(m_request.packKind);
    m_services.files.WriteFile(flag, std::string());
    if (m_services.files.CopyToFolder(flag, diskPath))
        Succeed();
    else
        FailWithBanner(0.9, runtext::kFlagCopyFailed);
    m_services.files.DeletePath(flag);
}

void CUpgradeRun::RunEthernetUpgrade() {
    IFtpSession& ftp = m_services.ftp;
    if (!ftp.Connect(m_request.terminalAddress, m_request.ftpPort, m_request.ftpUser, m_request.ftpPassword)) {
        FailAndClose(0.1, runtext::kConnectFailed);
        return;
    }
    m_services.progress.SetProgress(0.1, runtext::kConnected);

    if (!ExtractAndCheckPack()) {
        ftp.Disconnect();  // do not hold the terminal's FTP session after a refusal
        return;
    }

    const DeviceModel* model = Model();
    const std::wstring base = model ? model->remoteBase : L"";
    ftp.ChangeDirectory(base);  // the uploads name full remote paths anyway
    const std::wstring remotePack = base + RemotePackName(m_request.packKind);
    if (!ftp.PutFile(m_request.packPath, remotePack, true)) {
        FailWithBanner(0.7, runtext::kUploadFailed);
        ftp.Disconnect();
        return;
    }
    if (!VerifyUpload(remotePack)) {
        ftp.Disconnect();
        return;
    }

    const std::wstring flagName = FlagFileName(m_request.packKind);
    const std::wstring flag = m_workFolder + flagName;
    if (m_services.files.PathExists(flag)) m_services.files.DeletePath(flag);
    m_services.files.WriteFile(flag, runtext::kEthernetFlagContent);

    if (!(model && model->startCommand)) {
        if (ftp.PutFile(flag, base + flagName, true))
            Succeed();
        else
            FailWithBanner(0.8, runtext::kFlagCopyFailed);
    } else {
        // Some terminals start their upgrade on a command instead of a flag file.
        m_services.progress.SetProgress(0.85, runtext::kStarting);
        IStartCommand& start = m_services.start;
        if (start.Connect(m_request.terminalAddress) && start.SendStartCommand())
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
    copy += FileNameOf(m_request.packPath);
    std::string packDigest, copyDigest;
    if (m_services.files.FileMD5(m_request.packPath, &packDigest) &&
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
    if (!m_services.files.FileSize(m_request.packPath, &packSize)) packSize = 0;
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

bool CUpgradeRun::CheckDiskSpace() {
    uint64_t packSize = 0;  // 64-bit: packs of 4 GiB and more must not wrap
    uint64_t freeBytes = 0;
    if (m_request.haveDisk) {
        if (!m_services.files.FileSize(m_request.packPath, &packSize)) packSize = 0;
        if (m_services.files.FreeBytes(m_request.disk.volume.szDrivePath, &freeBytes) && freeBytes >= packSize) {
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
