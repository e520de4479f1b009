#pragma once
// The progress window as the upgrade run's reporting target.
#include "app/ProgressSink.h"
#include "progress/ScrollDlg.h"

class ScrollDlgProgress : public IProgressSink {
public:
    explicit ScrollDlgProgress(CScrollDlg& window) : m_window(window) {}
    void SetProgress(double fraction, const std::wstring& message) override {
        m_window.SetProgress(fraction, message);
    }
    void CloseAfterDelay() override { m_window.CloseAfterDelay(); }
    void ShowResult(bool success) override { m_window.ShowResult(success ? TRUE : FALSE); }
    void CloseOnEnter() override { m_window.m_bWaitEnter = true; }

private:
    CScrollDlg& m_window;
};
