#include "app/UpgradeRun.h"

#include <utility>

#include "app/RunTexts.h"
#include "app/UpgradePackCheck.h"
#include "pack/FolderMD5Check.h"
#include "platform/Text.h"
#include "signature/TrustedKeys.h"

namespace {
constexpr uint32_t kReadOnlyOrSystem = platform::kAttributeReadOnly | platform::kAttributeSystem;
// Between the copy of the pack and the flag file.
constexpr double kUsbVerifyFraction = 0.85;
constexpr double kEthernetVerifyFraction = 0.75;

// A file in the disk's root: `name` comes with its leading backslash.
std::wstring OnDisk(std::wstring diskPath, const wchar_t* name) {
    if (!diskPath.empty() && (diskPath.back() == L'\\' || diskPath.back() == L'/')) diskPath.pop_back();
    return diskPath + name;
}
}  // namespace

CUpgradeRun::CUpgradeRun(RunRequest request, Services services, std::wstring workFolder)
    : m_request(std::move(request)), m_services(services), m_workFolder(std::move(workFolder)) {
    m_outcome.modelIndex = m_request.modelIndex;
    m_outcome.modelName = m_request.modelName;
    m_outcome.signerKeyId = m_request.signerKeyId;
    m_outcome.signerComment = m_request.signerComment;
}

std::wstring CUpgradeRun::ExtractionFolder() const { return m_workFolder + runtext::kExtractionFolder; }

const DeviceModel* CUpgradeRun::Model() const { return FindRunModel(m_outcome.modelIndex); }

void CUpgradeRun::RefuseAndClose(double fraction, const std::wstring& message) {
    m_services.progress.SetProgress(fraction, message);
    m_services.progress.CloseAfterDelay();
    m_outcome.result = UpgradeResult::Refused;
    m_outcome.finalText = message;
}

// The banner waits for Enter only once the run has ended and its record is
// written (Run).
void CUpgradeRun::FailWithBanner(double fraction, const std::wstring& message) {
    m_services.progress.SetProgress(fraction, message);
    m_services.progress.ShowResult(false);
    m_waitForEnter = true;
    m_outcome.result = UpgradeResult::Failure;
    m_outcome.finalText = message;
}

void CUpgradeRun::Succeed() {
    m_services.progress.ShowResult(true);
    m_waitForEnter = true;
    m_outcome.result = UpgradeResult::Success;
    m_outcome.finalText = runtext::kSucceeded;
}

void CUpgradeRun::Run() {
    try {
        m_services.progress.SetProgress(0.0, runtext::kPreparing);
        TakeSnapshot();
        if (m_request.connection != kConnectionEthernet)
            RunUsbUpgrade();
        else
            RunEthernetUpgrade();
    } catch (...) {
        // Whatever step it was, the run ends as a failure the operator sees
        // and the log keeps, never as a dead worker.
        m_waitForEnter = false;
        FailWithBanner(1.0, runtext::kRunAborted);
    }
    // The record names the pack by the digest its check was made on.
    if (m_pack) {
        m_outcome.packMd5 = m_pack->Md5();
        m_outcome.packSize = m_pack->Size();
    }
    m_pack.reset();  // the run's own copy goes now; a batch's stays with the batch
    if (m_ended) {
        try {
            m_ended(m_outcome);
        } catch (...) {
            // A record that cannot be written never changes the run's result.
        }
    }
    if (m_waitForEnter) m_services.progress.CloseOnEnter();
}

void CUpgradeRun::TakeSnapshot() {
    m_pack = m_request.checkedPack;
    if (m_pack) return;
    m_pack = PackSnapshot::Take(m_request.packPath, m_workFolder + runtext::kPackCopyFile, &m_snapshotProblem);
}

void CUpgradeRun::DeleteExtractionFolder() {
    m_services.files.DeletePath(ExtractionFolder());
}

bool CUpgradeRun::ExtractAndCheckPack() {
    if (m_request.checkedPack) return true;
    const std::wstring folder = ExtractionFolder();
    if (m_services.files.PathExists(folder)) DeleteExtractionFolder();

    // The trust list is read afresh for every run, so a site's change needs no restart.
    const TrustedKeys trust = m_request.trustFile.empty() ? TrustedKeys() : ReadTrustFile(m_request.trustFile);
    PackCheckResult check =
        m_pack ? CheckUpgradePack(*m_pack, folder,
                                  {m_outcome.modelIndex, m_outcome.modelName, m_request.packKind, &trust,
                                   &m_services.progress})
               : UnreadablePack(m_snapshotProblem, m_outcome.modelIndex, m_outcome.modelName);
    m_outcome.modelIndex = check.modelIndex;  // a variant stays selected after the run
    m_outcome.modelName = check.modelName;
    m_outcome.signerKeyId = check.signerKeyId;
    m_outcome.signerComment = check.signerComment;
    if (check.Accepted()) {
        DeleteExtractionFolder();
        return true;
    }
    RefuseAndClose(check.fraction, check.message);
    if (check.verdict != PackVerdict::WrongModel) DeleteExtractionFolder();  // a refused model's folder stays
    return false;
}

void CUpgradeRun::RunUsbUpgrade() {
    if (!m_request.haveDisk) {
        RefuseAndClose(0.1, runtext::kNoTerminalDisk);
        return;
    }
    const std::wstring& diskPath = m_request.diskPath;
    m_outcome.diskPath = diskPath;
    if (!m_services.files.PathExists(diskPath)) {
        RefuseAndClose(0.1, runtext::kDiskPathMissing);
        return;
    }
    if (!TestDiskWritable(diskPath)) {
        RefuseAndClose(0.1, runtext::kDiskNotWritable);
        return;
    }
    if (!ExtractAndCheckPack()) return;
    if (!CheckDiskSpace()) return;

    // The terminal looks for the kind's own names, whatever the pack's file
    // on the PC is called.
    const std::wstring diskPack = OnDisk(diskPath, RemotePackName(m_request.packKind));
    const std::wstring diskFlag = OnDisk(diskPath, FlagFileName(m_request.packKind));
    if (!RemoveOldDiskFlag(diskPath, diskFlag)) return;
    // The pack is on the device, not only in the system's cache, before it
    // is read back and long before the flag.
    if (!m_services.files.CopyFileTo(m_pack->CopyPath(), diskPack) || !m_services.files.FlushToDevice(diskPack)) {
        m_services.files.DeletePath(diskPack);  // never leave part of a pack on the terminal
        FailWithBanner(0.8, runtext::kUsbPackCopyFailed);
        return;
    }
    if (!VerifyDiskCopy(diskPack)) return;
    if (DeliverDiskFlag(diskPath, diskFlag))
        Succeed();
    else
        FailWithBanner(0.9, runtext::kFlagCopyFailed);
}

bool CUpgradeRun::RemoveOldDiskFlag(const std::wstring& diskPath, const std::wstring& diskFlag) {
    // The removal reaches the device before the first byte of the new pack.
    if (m_services.files.DeletePath(diskFlag) && !m_services.files.PathExists(diskFlag) &&
        m_services.files.FlushToDevice(diskPath))
        return true;
    FailWithBanner(0.8, runtext::kOldFlagNotRemoved);
    return false;
}

bool CUpgradeRun::DeliverDiskFlag(const std::wstring& diskPath, const std::wstring& diskFlag) {
    // The flag file on the disk must be empty: write it afresh even when an
    // earlier run left one with content beside the program. Success is
    // announced only once the flag and its folder entry are on the device.
    const std::wstring flag = m_workFolder + FlagFileName(m_request.packKind);
    bool delivered = m_services.files.WriteFile(flag, std::string()) &&
                     m_services.files.CopyFileTo(flag, diskFlag) && m_services.files.PathExists(diskFlag) &&
                     m_services.files.FlushToDevice(diskFlag) && m_services.files.FlushToDevice(diskPath);
    // A run that reports failure leaves no flag: the copy may have made
    // the file before it failed.
    if (!delivered) m_services.files.DeletePath(diskFlag);
    m_services.files.DeletePath(flag);
    return delivered;
}

void CUpgradeRun::RunEthernetUpgrade() {
    IFtpSession& ftp = m_services.ftp;
    if (!ftp.Connect(m_request.terminalAddress, m_request.ftpPort, m_request.ftpUser, m_request.ftpPassword)) {
        RefuseAndClose(0.1, runtext::kConnectFailed);
        return;
    }
    m_services.progress.SetProgress(0.1, runtext::kConnected);

    if (!ExtractAndCheckPack()) {
        ftp.Disconnect();  // do not hold the terminal's FTP session after a refusal
        return;
    }

    const DeviceModel* model = Model();
    const bool startsOnCommand = model && model->StartsOnCommand();
    const std::wstring base = model ? model->remoteBase : L"";
    ftp.ChangeDirectory(base);  // the uploads name full remote paths anyway
    const std::wstring remotePack = base + RemotePackName(m_request.packKind);
    const std::wstring remoteFlag = base + FlagFileName(m_request.packKind);
    // A terminal that starts on the command reads no flag file.
    if (!startsOnCommand && !RemoveOldRemoteFlag(remoteFlag)) {
        ftp.Disconnect();
        return;
    }
    if (!ftp.PutFile(m_pack->CopyPath(), remotePack, true)) {
        ftp.DeleteRemoteFile(remotePack);  // what arrived of a cut upload
        FailWithBanner(0.7, runtext::kUploadFailed);
        ftp.Disconnect();
        return;
    }
    if (!VerifyUpload(remotePack)) {
        ftp.Disconnect();
        return;
    }

    if (!startsOnCommand) {
        if (DeliverRemoteFlag(remoteFlag))
            Succeed();
        else
            FailWithBanner(0.8, runtext::kFlagCopyFailed);
    } else {
        m_services.progress.SetProgress(0.85, runtext::kStarting);
        IStartCommand& start = m_services.start;
        if (start.Connect(m_request.terminalAddress) && start.SendStartCommand())
            Succeed();
        else
            FailWithBanner(0.9, runtext::kStartFailed);
        start.Close();
    }
    ftp.Disconnect();
}

bool CUpgradeRun::RemoveOldRemoteFlag(const std::wstring& remoteFlag) {
    if (m_services.ftp.DeleteRemoteFile(remoteFlag)) return true;
    // Servers refuse DELE of a file that is not there with the same code as
    // one they may not delete: only a SIZE that says "no such file" shows
    // the flag gone. No answer, another error or a dropped connection
    // leaves it counted as there, and nothing is uploaded.
    uint64_t size = 0;
    if (m_services.ftp.QueryRemoteFileSize(remoteFlag, &size) == IFtpSession::SizeAnswer::Missing) return true;
    FailWithBanner(0.7, runtext::kOldFlagNotRemoved);
    return false;
}

bool CUpgradeRun::DeliverRemoteFlag(const std::wstring& remoteFlag) {
    const std::wstring flag = m_workFolder + FlagFileName(m_request.packKind);
    if (m_services.files.PathExists(flag)) m_services.files.DeletePath(flag);
    const std::string content = runtext::kEthernetFlagContent;
    uint64_t stored = content.size();
    // A server that sizes the flag must show it whole.
    bool delivered = m_services.files.WriteFile(flag, content) && m_services.ftp.PutFile(flag, remoteFlag, true) &&
                     (!m_services.ftp.RemoteFileSize(remoteFlag, &stored) || stored == content.size());
    // A run that reports failure leaves no flag, not even part of one.
    if (!delivered) m_services.ftp.DeleteRemoteFile(remoteFlag);
    m_services.files.DeletePath(flag);
    return delivered;
}

bool CUpgradeRun::VerifyDiskCopy(const std::wstring& copy) {
    m_services.progress.SetProgress(kUsbVerifyFraction, runtext::kVerifying);
    // Compared with the digest of the checking read, never with a fresh
    // read of the pack.
    std::string copyDigest;
    if (m_services.files.ReadBackMD5(copy, &copyDigest) && copyDigest == m_pack->Md5()) return true;
    // The terminal must never find a bad pack, flagged or not.
    m_services.files.DeletePath(copy);
    FailWithBanner(kUsbVerifyFraction, runtext::kVerifyFailed);
    return false;
}

bool CUpgradeRun::VerifyUpload(const std::wstring& remotePack) {
    m_services.progress.SetProgress(kEthernetVerifyFraction, runtext::kVerifying);
    uint64_t remoteSize = 0;
    const bool answered = m_services.ftp.RemoteFileSize(remotePack, &remoteSize);
    if (answered && remoteSize == m_pack->Size()) return true;
    // An upload that cannot be shown whole gets no flag: the terminal would
    // install whatever lies there.
    m_services.ftp.DeleteRemoteFile(remotePack);
    FailWithBanner(kEthernetVerifyFraction, answered ? runtext::kVerifyFailed : runtext::kVerifySkipped);
    return false;
}

bool CUpgradeRun::CheckDiskSpace() {
    uint64_t freeBytes = 0;
    if (m_request.haveDisk) {
        // 64-bit: packs of 4 GiB and more must not wrap.
        if (m_services.files.FreeBytes(m_request.diskPath, &freeBytes) && freeBytes >= m_pack->Size()) {
            m_services.progress.SetProgress(0.8, L"");
            return true;
        }
    }
    RefuseAndClose(0.8, runtext::kNoDiskSpace);
    return false;
}

bool CUpgradeRun::TestDiskWritable(const std::wstring& drive) {
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
