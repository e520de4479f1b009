#pragma once
// Runs one upgrade on a worker thread while the progress window is modal
// on the calling (UI) thread.
#include <windows.h>

class CUpgradeRun;
class CScrollDlg;

struct UpgradeJob {
    CUpgradeRun* run = nullptr;
    // The worker starts reporting once this window is up (or its modal run
    // ended without it), so no report and no close is lost.
    CScrollDlg* window = nullptr;
    DWORD windowWaitMs = INFINITE;
    // Set by the worker when it ran the upgrade: a window that never came
    // up means no run at all, so nothing reaches a terminal unseen.
    bool ran = false;
};

// Thread routine: waits for the window, then runs the job unless the
// window's modal run ended without it ever showing; returns 0 (nothing
// without a job).
DWORD WINAPI UpgradeThreadProc(LPVOID job);

// Starts the worker and shows `window` modally until the run has ended and
// the window closed. Returns the window's result, or -1 when no thread
// could be started (then no window is shown).
INT_PTR RunUpgradeWithWindow(CScrollDlg& window, UpgradeJob& job);
