#pragma once
// One upgrade: extract and check the chosen pack, then deliver it to the
// terminal over its USB disk or over Ethernet, reporting every step. The
// order of the steps and the texts live here; the window, the connections
// and the file operations come in through small interfaces so the whole
// run can be driven without a window.
#include <string>

#include "app/ProgressSink.h"
#include "app/RunServices.h"
#include "app/UpgradeSelection.h"

class CUpgradeRun {
public:
    struct Services {
        IProgressSink& progress;
        IFtpSession& ftp;
        IStartCommand& start;
        RunFileSystem& files;
    };

    // `programFolder`: where the working folder "temp" and the local flag
    // file are made (the executable's folder, without trailing backslash).
    CUpgradeRun(UpgradeSelection& selection, Services services, std::wstring programFolder);

    // The worker's sequence: "正准备升级..." at 0, then the USB or the
    // Ethernet delivery by the selection's connection mode.
    void Run();
    void RunUsbUpgrade();
    void RunEthernetUpgrade();

    // The checks; each reports its outcome and, on refusal, closes the
    // window after the delay. CheckPackIntact is true for a damaged pack.
    bool CheckModelMatch(const std::wstring& folder);
    bool CheckPackIntact(const std::wstring& folder);
    bool CheckDiskSpace();
    bool TestDiskWritable(const UsbDiskInfo& disk);

    std::wstring ExtractionFolder() const;

private:
    void FailAndClose(double fraction, const std::wstring& message);
    void FailWithBanner(double fraction, const std::wstring& message);
    void Succeed();
    // Extraction, model match and intactness; false when the run must stop.
    bool ExtractAndCheckPack();
    // The copy on the disk reads back with the pack's MD5; otherwise it is
    // deleted and the run ends with the failure banner.
    bool VerifyDiskCopy(const std::wstring& diskPath);
    // The server reports the pack's size for the upload (a server without
    // SIZE is reported and passes); otherwise it is deleted and the run ends.
    bool VerifyUpload(const std::wstring& remotePack);
    // Deletes the working folder, leaving it first if it is the current
    // directory (Windows refuses to delete a current directory).
    void DeleteExtractionFolder();

    UpgradeSelection& m_selection;
    Services m_services;
    std::wstring m_programFolder;
};
