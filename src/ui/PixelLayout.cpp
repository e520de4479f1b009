#include "ui/PixelLayout.h"

int ScreenDpi() {
    HDC screen = ::GetDC(nullptr);
    if (!screen) return 96;
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

void KeepTemplateAt96Dpi(HWND dialog) {
    const int dpi = ScreenDpi();
    if (!dialog || dpi <= 96) return;
    const auto at96 = [dpi](LONG v) { return ::MulDiv(v, 96, dpi); };
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT r;
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&r), 2);
        ::SetWindowPos(child, nullptr, at96(r.left), at96(r.top), at96(r.right - r.left), at96(r.bottom - r.top),
                       flags);
    }
    RECT w;
    ::GetWindowRect(dialog, &w);
    ::SetWindowPos(dialog, nullptr, 0, 0, at96(w.right - w.left), at96(w.bottom - w.top), flags | SWP_NOMOVE);
}

HWND RemakeAt96Dpi(HWND control) {
    const int dpi = ScreenDpi();
    HWND parent = control ? ::GetParent(control) : nullptr;
    if (!parent || dpi <= 96) return control;
    wchar_t className[64] = {};
    if (!::GetClassNameW(control, className, 64)) return control;
    RECT r;
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    const auto at96 = [dpi](LONG v) { return ::MulDiv(v, 96, dpi); };
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(control, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(control, GWL_EXSTYLE));
    const auto id = static_cast<INT_PTR>(::GetDlgCtrlID(control));
    HWND remade = ::CreateWindowExW(exStyle, className, L"", style, r.left, r.top, at96(r.right - r.left),
                                    at96(r.bottom - r.top), parent, reinterpret_cast<HMENU>(id),
                                    ::GetModuleHandleW(nullptr), nullptr);
    if (!remade) return control;
    ::SendMessageW(remade, WM_SETFONT, ::SendMessageW(control, WM_GETFONT, 0, 0), FALSE);
    ::SetWindowPos(remade, control, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::DestroyWindow(control);
    return remade;
}
