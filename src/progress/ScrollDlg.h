#pragma once
// CScrollDlg: the modal, borderless status window of an upgrade run. It is a
// per-pixel-alpha layered window: every picture is composed off-screen with
// GDI+ and pushed with UpdateLayeredWindow on whichever thread asks for it.
// The UI thread runs DoModal; the upgrade worker then reports through
// SetProgress, ShowResult + m_bWaitEnter, or CloseAfterDelay.
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "skin/GdiplusInclude.h"
#include "skin/PngResource.h"
#include "ui/Dialog.h"

// The window's private request to close itself (posted by CloseAfterDelay).
constexpr UINT WM_SCROLLDLG_CLOSE = WM_USER + 600;

class CScrollDlg : public CDialog {
public:
    // Loads the seven skin images; no window yet.
    explicit CScrollDlg(CWnd* parent);
    ~CScrollDlg() override;

    // Worker thread: stores the fraction (0.0 .. 1.0) and the message and
    // draws at once; at 1.0 or more it then sleeps 2000 ms.
    void SetProgress(double fraction, const std::wstring& message);
    // Worker thread: replaces the picture by the result banner (tick and
    // "请重启设备完成升级！", or cross and "升级失败！").
    void ShowResult(BOOL success);
    // Worker thread: sleeps 4000 ms, then asks the window to close (IDOK).
    // When the window is not up yet, it closes as soon as it is.
    void CloseAfterDelay();
    // UI thread, before the worker of a run starts: forgets everything of
    // the last run (how its window ended, the Enter it waited for, its bar).
    void BeginRun();
    // Worker thread: waits until the window shows its first picture, or
    // until its modal run ended without one, at most `ms` milliseconds.
    // True when the window is up.
    bool WaitUntilShown(DWORD ms);
    // Draws the progress picture at `opacityPercent` (outside 0..100: 100);
    // returns UpdateLayeredWindow's result, FALSE while no window is up.
    BOOL Redraw(int opacityPercent);

    // Set by the worker right after ShowResult; Enter then closes the window
    // and clears it.
    std::atomic<bool> m_bWaitEnter{false};

    INT_PTR DoModal() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    BOOL OnInitDialog() override;
    // The window closes only by Enter after the banner or by the delayed
    // close; Escape, Alt+F4 and the system menu do not end a run.
    void OnCancel() override {}

private:
    LRESULT OnCreate(WPARAM wParam, LPARAM lParam);
    // Draws the progress picture into window `hwnd`.
    BOOL DrawProgress(HWND hwnd, int opacityPercent);
    BOOL DrawResult(HWND hwnd, bool success);
    // Composes a picture with `paint` and pushes it to `hwnd`.
    template <typename Paint>
    BOOL Compose(HWND hwnd, BYTE constantAlpha, Paint paint);

    PngSet m_images;

    int m_nWidth = 0;   // the background's size, taken at window creation
    int m_nHeight = 0;

    std::mutex m_stateLock;  // guards the two report fields
    double m_dProgress = 0.0;
    std::wstring m_strMessage;

    // Serialises whole draws (GDI+ images are not safe to draw from two
    // threads at once). Only held while composing, never while waiting on
    // the window's thread.
    std::mutex m_drawLock;
    // The window the worker may draw into and post to: published after the
    // first picture is up, cleared when the window goes.
    std::atomic<HWND> m_hDrawTarget{nullptr};

    // Hands the window's coming and going to the worker: a close asked for
    // before the window was up is kept and carried out when it is.
    void PublishDrawTarget(HWND hwnd);
    std::mutex m_windowLock;
    std::condition_variable m_windowChanged;
    bool m_closePending = false;
    bool m_modalEnded = false;
};
