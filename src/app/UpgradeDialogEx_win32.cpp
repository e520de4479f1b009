#include "app/UpgradeDialogEx.h"

#include "res/resource.h"

namespace {
constexpr int kWindowWidth = 624;   // the background image's size
constexpr int kWindowHeight = 369;
}  // namespace

CUpgradeDialogEx::CUpgradeDialogEx(CWnd* parent) : CDialog(IDD_UPGRADE_DIALOG, parent) {}

BOOL CUpgradeDialogEx::OnInitDialog() {
    HICON icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                               0, 0, LR_DEFAULTSIZE | LR_SHARED));
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SetWindowText(L"电能质量终端升级工具");
    SetWindowPos(m_hWnd, nullptr, 0, 0, kWindowWidth, kWindowHeight, SWP_NOMOVE | SWP_NOZORDER);
    ::MoveWindow(GetDlgItem(IDC_CLOSE), 588, 7, 24, 30, TRUE);
    CenterWindow();
    return TRUE;
}

BOOL CUpgradeDialogEx::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == IDC_CLOSE) {
        EndDialog(IDCANCEL);
        return TRUE;
    }
    if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) return TRUE;  // Enter and Escape do nothing
    return CDialog::OnCommand(wParam, lParam);
}

LRESULT CUpgradeDialogEx::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(m_hWnd, &ps);
            RECT r;
            ::GetClientRect(m_hWnd, &r);
            HBRUSH back = CreateSolidBrush(RGB(21, 27, 49));
            FillRect(dc, &r, back);
            DeleteObject(back);
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, RGB(255, 255, 255));
            RECT title = {40, 12, 460, 39};
            DrawTextW(dc, L"电能质量终端升级工具", -1, &title, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
            EndPaint(m_hWnd, &ps);
            return 0;
        }
        case WM_NCHITTEST: {
            LRESULT hit = CDialog::WindowProc(msg, wParam, lParam);
            return hit == HTCLIENT ? HTCAPTION : hit;  // drag the borderless window anywhere
        }
        default:
            return CDialog::WindowProc(msg, wParam, lParam);
    }
}

BOOL CUpgradeDialogEx::PreTranslateMessage(MSG* msg) {
    return msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE);
}
