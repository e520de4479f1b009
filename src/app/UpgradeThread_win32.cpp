#include "app/UpgradeThread.h"

#include "app/UpgradeRun.h"
#include "progress/ScrollDlg.h"

DWORD WINAPI UpgradeThreadProc(LPVOID param) {
    auto* job = static_cast<UpgradeJob*>(param);
    if (!job || !job->run) return 0;
    if (job->window && !job->window->WaitUntilShown(job->windowWaitMs)) return 0;
    job->ran = true;
    job->run->Run();  // never throws: a fault ends the run as a failure with its record
    return 0;
}

INT_PTR RunUpgradeWithWindow(CScrollDlg& window, UpgradeJob& job) {
    window.BeginRun();
    job.window = &window;
    HANDLE worker = CreateThread(nullptr, 0, &UpgradeThreadProc, &job, 0, nullptr);
    if (!worker) return -1;
    INT_PTR result = window.DoModal();
    // The window closes on the run's last report, but the worker may still
    // be cleaning up (deleting the local flag file, disconnecting): the job
    // must outlive it.
    WaitForSingleObject(worker, INFINITE);
    CloseHandle(worker);
    return result;
}
