#include "HostDialog.h"

#include "skin/GdiHandles.h"

namespace {
const COLORREF kBody = RGB(236, 240, 246);  // the skin's body colour
const COLORREF kNavy = RGB(21, 27, 49);     // its title band
}

bool HostDialog::Open(int x, int y, int w, int h) {
    if (!Create()) return false;
    ::SetWindowPos(m_hWnd, HWND_TOP, x, y, w, h, SWP_SHOWWINDOW);
    ::UpdateWindow(m_hWnd);
    return true;
}

BOOL HostDialog::OnCommand(const CommandMessage& command) {
    commands.push_back(static_cast<UINT>(command.id));
    return TRUE;
}

LRESULT HostDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PRINTCLIENT && !printsClient) return CDialog::WindowProc(msg, wParam, lParam);
    if (msg == WM_ERASEBKGND || msg == WM_PRINTCLIENT) {
        RECT r;
        ::GetClientRect(m_hWnd, &r);
        GdiObject<HBRUSH> body(::CreateSolidBrush(kBody));
        ::FillRect(CrackDc(wParam), &r, body.Get());
        if (titleBandHeight > 0) {
            RECT band{0, 0, r.right, titleBandHeight};
            GdiObject<HBRUSH> navy(::CreateSolidBrush(kNavy));
            ::FillRect(CrackDc(wParam), &band, navy.Get());
        }
        return TRUE;
    }
    return CDialog::WindowProc(msg, wParam, lParam);
}

HWND HostDialog::AddControl(const wchar_t* className, const wchar_t* text, DWORD style, UINT id, int x, int y,
                            int w, int h) {
    return ::CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, m_hWnd,
                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
}

void HostDialog::HideTemplateControls() {
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        ::ShowWindow(child, SW_HIDE);
}
