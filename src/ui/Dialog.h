#pragma once
// CDialog: a dialog from a resource template, modal (DoModal runs our own
// loop, so PreTranslateMessage sees every message first) or modeless
// (Create + RunModalLoop).
#include "ui/Messages.h"
#include "ui/Wnd.h"

class CDialog : public CWnd {
public:
    CDialog(UINT templateId, CWnd* parent);
    ~CDialog() override;

    // Creates the window, disables the owner and runs the modal loop until
    // EndDialog; returns the value given to EndDialog (-1 when the window
    // could not be created).
    virtual INT_PTR DoModal();
    // Modeless creation from template `templateId` (0: the constructor's).
    BOOL Create(UINT templateId = 0, CWnd* parent = nullptr);
    // Shows the modeless window, disables its parent and pumps messages until
    // the window receives WM_CLOSE, disappears, or WM_QUIT arrives.
    int RunModalLoop();
    void EndDialog(INT_PTR result);
    BOOL DestroyWindow();
    void CenterWindow(CWnd* over = nullptr);

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // WM_COMMAND from a control or menu; true when handled.
    virtual BOOL OnCommand(const CommandMessage& command);
    // WM_NOTIFY; true when handled (the result goes to *result).
    virtual BOOL OnNotify(const NMHDR& header, LRESULT* result);

    UINT m_templateId;
    CWnd* m_parent;

private:
    static INT_PTR CALLBACK DlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK CreateHook(int code, WPARAM wParam, LPARAM lParam);
    BOOL PumpOne(bool useDialogKeys);
    BOOL PreTranslateChain(MSG* msg);
    bool m_modal = false;
    bool m_endModal = false;
    INT_PTR m_result = -1;
};
