#include "skin/ToolTip2.h"

namespace {
const wchar_t kClassName[] = L"QuillonToolTip2";

// The plain window class the hint window is made of.
bool RegisterHintClass() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_INFOBK + 1);
        wc.lpszClassName = kClassName;
        return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}
}  // namespace

CToolTip2::~CToolTip2() {
    HWND hwnd = m_hWnd;
    if (hwnd) {
        Unbind();
        ::DestroyWindow(hwnd);
    }
}

BOOL CToolTip2::Create(CWnd* owner) {
    if (m_hWnd || !RegisterHintClass()) return FALSE;
    m_font.Reset(::CreateFontW(15, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"MS Sans Serif"));
    HWND parent = owner ? owner->GetSafeHwnd() : nullptr;
    HWND hwnd = ::CreateWindowExW(0, kClassName, L"", 0xC4000000, 0, 0, 0, 0, parent, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
    if (!hwnd) return FALSE;
    Bind(hwnd);
    ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), FALSE);
    return TRUE;
}
