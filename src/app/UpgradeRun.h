#pragma once
// One upgrade: extract and check the chosen pack, then deliver it to the
// terminal over its USB disk or over Ethernet, reporting every step. The
// order of the steps and the texts live here; the window, the connections
// and the file operations come in through small interfaces so the whole
// run can be driven without a window, and by the command line for many
// terminals at once (each delivery its own run over its own connections).
#include <functional>
#include <memory>
#include <string>

#include "app/PackSnapshot.h"
#include "app/ProgressSink.h"
#include "app/RunRequest.h"
#include "app/RunServices.h"

class CUpgradeRun {
public:
    struct Services {
        IProgressSink& progress;
        IFtpSession& ftp;
        IStartCommand& start;
        RunFileSystem& files;
    };

    // `workFolder`: where the working folder "temp" and the local flag file
    // are made (the window: the executable's folder, without trailing
    // backslash; the command line: a private folder per delivery).
    CUpgradeRun(RunRequest request, Services services, std::wstring workFolder);

    // Called on the run's thread the moment the run has come to its end,
    // before the banner waits for Enter: the upgrade log is written then,
    // so a PC switched off at the banner still has the run's record.
    using EndedHandler = std::function<void(const RunOutcome&)>;
    void OnEnded(EndedHandler handler) { m_ended = std::move(handler); }

    // The worker's sequence: "正准备升级..." at 0, then the USB or the
    // Ethernet delivery by the request's connection. Never throws: an
    // exception on the way ends the run as a failure with its own text.
    void Run();
    void RunUsbUpgrade();
    void RunEthernetUpgrade();

    // What the run came to; the caller applies it (ApplyRunOutcome).
    const RunOutcome& Outcome() const { return m_outcome; }
    RunOutcome TakeOutcome() { return std::move(m_outcome); }

    std::wstring ExtractionFolder() const;

private:
    void RefuseAndClose(double fraction, const std::wstring& message);
    void FailWithBanner(double fraction, const std::wstring& message);
    void Succeed();
    // Extraction, model match and intactness; false when the run must stop.
    bool ExtractAndCheckPack();
    bool CheckDiskSpace();
    bool TestDiskWritable(const std::wstring& drive);
    // The copy on the disk reads back with the pack's MD5; otherwise it is
    // deleted and the run ends with the failure banner.
    bool VerifyDiskCopy(const std::wstring& copy);
    // The server reports the pack's size for the upload; otherwise (another
    // size, or no answer) it is deleted and the run ends.
    bool VerifyUpload(const std::wstring& remotePack);
    // Before the first byte of a new pack reaches the terminal its old flag
    // of this kind must go, so a delivery that fails can never leave that
    // flag beside a broken pack. False (the run has ended) when it stays.
    bool RemoveOldDiskFlag(const std::wstring& diskPath, const std::wstring& diskFlag);
    bool RemoveOldRemoteFlag(const std::wstring& remoteFlag);
    // The USB flag, written afresh beside the program and copied to the
    // disk; a flag copy that fails is taken off the disk again.
    bool DeliverDiskFlag(const std::wstring& diskPath, const std::wstring& diskFlag);
    bool DeliverRemoteFlag(const std::wstring& remoteFlag);
    // The pack read once into its private copy, before anything else of
    // the run; a pack that cannot be read is refused at the check step.
    void TakeSnapshot();
    void DeleteExtractionFolder();
    const DeviceModel* Model() const;

    RunRequest m_request;
    Services m_services;
    std::wstring m_workFolder;
    RunOutcome m_outcome;
    std::shared_ptr<const PackSnapshot> m_pack;
    std::string m_snapshotProblem;
    bool m_waitForEnter = false;
    EndedHandler m_ended;
};
