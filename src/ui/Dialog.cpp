#include "ui/Dialog.h"

namespace {
thread_local CDialog* t_creating = nullptr;
thread_local HHOOK t_hook = nullptr;
}  // namespace

CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_parent(parent) {}

CDialog::~CDialog() {
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

// Subclasses the dialog window the moment it is created, so that even
// WM_NCCREATE and WM_CREATE reach WindowProc.
LRESULT CALLBACK CDialog::CreateHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && t_creating) {
        CDialog* self = t_creating;
        t_creating = nullptr;
        self->SubclassWindow(reinterpret_cast<HWND>(wParam));  // HCBT_CREATEWND: the new window
    }
    return CallNextHookEx(t_hook, code, wParam, lParam);
}

INT_PTR CALLBACK CDialog::DlgProc(HWND hwnd, UINT msg, WPARAM, LPARAM) {
    if (msg == WM_INITDIALOG) {
        auto* self = dynamic_cast<CDialog*>(FromHandlePermanent(hwnd));
        return self ? self->OnInitDialog() : TRUE;
    }
    return FALSE;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
    if (templateId) m_templateId = templateId;
    if (parent) m_parent = parent;
    HWND owner = m_parent ? m_parent->GetSafeHwnd() : nullptr;
    t_creating = this;
    t_hook = SetWindowsHookExW(WH_CBT, &CDialog::CreateHook, nullptr, GetCurrentThreadId());
    HWND hwnd = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), owner,
                                   &CDialog::DlgProc, 0);
    UnhookWindowsHookEx(t_hook);
    t_hook = nullptr;
    t_creating = nullptr;
    if (!hwnd && m_hWnd) Unbind();
    return hwnd != nullptr;
}

BOOL CDialog::PreTranslateChain(MSG* msg) {
    // The window itself, then its parents up to (and including) this dialog.
    for (HWND h = msg->hwnd; h; h = ::GetParent(h)) {
        if (CWnd* w = FromHandlePermanent(h))
            if (w->PreTranslateMessage(msg)) return TRUE;
        if (h == m_hWnd) break;
    }
    return FALSE;
}

BOOL CDialog::PumpOne(bool useDialogKeys) {
    MSG msg;
    if (!GetMessageW(&msg, nullptr, 0, 0)) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        return FALSE;
    }
    if (PreTranslateChain(&msg)) return TRUE;
    if (useDialogKeys && m_hWnd && IsDialogMessageW(m_hWnd, &msg)) return TRUE;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return TRUE;
}

INT_PTR CDialog::DoModal() {
    HWND owner = m_parent ? m_parent->GetSafeHwnd() : nullptr;
    m_endModal = false;
    m_result = -1;
    m_modal = true;
    if (!Create()) {
        m_modal = false;
        return -1;
    }
    bool ownerWasEnabled = owner && ::IsWindowEnabled(owner);
    if (ownerWasEnabled) ::EnableWindow(owner, FALSE);
    if (!m_endModal) ::ShowWindow(m_hWnd, SW_SHOW);
    while (!m_endModal && m_hWnd) {
        if (!PumpOne(true)) break;
    }
    if (ownerWasEnabled) {
        ::EnableWindow(owner, TRUE);
        ::SetActiveWindow(owner);
    }
    if (m_hWnd) ::DestroyWindow(m_hWnd);
    m_modal = false;
    return m_result;
}

int CDialog::RunModalLoop() {
    HWND parent = m_parent ? m_parent->GetSafeHwnd() : nullptr;
    ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
    if (parent) ::EnableWindow(parent, FALSE);
    int result = 0;
    HWND self = m_hWnd;
    for (;;) {
        if (!::IsWindow(self)) break;
        MSG msg;
        if (!GetMessageW(&msg, nullptr, 0, 0)) {
            if (parent) {
                ::EnableWindow(parent, TRUE);
                ::SetFocus(parent);
            }
            PostQuitMessage(static_cast<int>(msg.wParam));
            return 0;
        }
        if (msg.message == WM_CLOSE && msg.hwnd == self) {
            result = static_cast<int>(msg.wParam);
            if (parent) {
                ::EnableWindow(parent, TRUE);
                ::SetFocus(parent);
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            return result;
        }
        if (PreTranslateChain(&msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (parent) ::EnableWindow(parent, TRUE);
    return result;
}

void CDialog::EndDialog(INT_PTR result) {
    m_result = result;
    m_endModal = true;
    if (m_hWnd) {
        if (m_modal)
            ::PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wake the modal loop
        else
            ::DestroyWindow(m_hWnd);
    }
}

BOOL CDialog::DestroyWindow() { return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE; }

void CDialog::CenterWindow(CWnd* over) {
    HWND ref = over ? over->GetSafeHwnd() : (m_parent ? m_parent->GetSafeHwnd() : nullptr);
    RECT r, rr;
    ::GetWindowRect(m_hWnd, &r);
    if (ref)
        ::GetWindowRect(ref, &rr);
    else
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &rr, 0);
    int w = r.right - r.left, h = r.bottom - r.top;
    int x = rr.left + ((rr.right - rr.left) - w) / 2, y = rr.top + ((rr.bottom - rr.top) - h) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CDialog::OnCommand(const CommandMessage& command) {
    switch (command.id) {
        case IDOK: OnOK(); return TRUE;
        case IDCANCEL: OnCancel(); return TRUE;
        default: return FALSE;
    }
}

BOOL CDialog::OnNotify(const NMHDR&, LRESULT*) { return FALSE; }

LRESULT CDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND && OnCommand(CrackCommand(wParam, lParam))) return 0;
    if (msg == WM_NOTIFY && CrackNotify(lParam)) {
        LRESULT result = 0;
        if (OnNotify(*CrackNotify(lParam), &result)) {
            SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
            return result;
        }
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}
