#pragma once
// CButton: a push, radio or check button control ("BUTTON" class).
#include "ui/Messages.h"
#include "ui/Wnd.h"

class CButton : public CWnd {
public:
    // Makes the button owner-drawn: its parent then sends WM_DRAWITEM, which
    // reaches the control's DrawItem through reflection.
    void SetOwnerDraw() { ModifyStyle(BS_TYPEMASK, BS_OWNERDRAW); }
    int GetCheck() { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int check) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }

protected:
    // Called for the reflected owner-draw request of this button.
    virtual void DrawItem(const DRAWITEMSTRUCT&) {}
    BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        const DRAWITEMSTRUCT* item = msg == WM_DRAWITEM ? CrackDrawItem(lParam) : nullptr;
        if (item) {
            DrawItem(*item);
            *result = TRUE;
            return TRUE;
        }
        return CWnd::OnChildNotify(msg, wParam, lParam, result);
    }
};
