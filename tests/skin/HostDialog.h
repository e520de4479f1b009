#pragma once
// Ids of the test host dialog (SkinTest.rc) and, for C++, a modeless host
// that paints the skin's body colour, so controls are seen as in the program.
#define IDD_TEST_HOST 900
#define IDC_TEST_BUTTON_FIRST 910
#define IDC_TEST_RADIO_FIRST 920
#define IDC_TEST_TREE 930
#define IDC_TEST_ADDRESS 931

#ifndef RC_INVOKED
#include <vector>

#include "ui/Dialog.h"

class HostDialog : public CDialog {
public:
    HostDialog() : CDialog(IDD_TEST_HOST, nullptr) {}
    // Creates the window at (x, y) with the given client size.
    bool Open(int x, int y, int w, int h);
    // Hides the controls of the template, leaving an empty panel.
    void HideTemplateControls();
    // Creates a child control of `className` with id `id` at (x, y, w, h).
    HWND AddControl(const wchar_t* className, const wchar_t* text, DWORD style, UINT id, int x, int y, int w,
                    int h);
    std::vector<UINT> commands;  // ids of the WM_COMMAND notifications received
    int titleBandHeight = 0;     // a navy title band of this height is painted on top
    bool printsClient = true;    // answers WM_PRINTCLIENT with its background

protected:
    BOOL OnCommand(const CommandMessage& command) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};
#endif
