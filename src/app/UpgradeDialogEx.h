#pragma once
// The main window. For now a plain borderless dialog at the size of the
// skin's background with the tool's title and a close button.
#include "ui/Dialog.h"

class CUpgradeDialogEx : public CDialog {
public:
    explicit CUpgradeDialogEx(CWnd* parent);

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL PreTranslateMessage(MSG* msg) override;
};
