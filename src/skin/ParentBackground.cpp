#include "skin/ParentBackground.h"

#include "skin/GdiHandles.h"

bool ParentPaintsBackground(HWND parent, HDC dc, POINT topLeft, int w, int h) {
    const COLORREF marker = RGB(0x20, 0x00, 0xCC);
    RECT all{0, 0, w, h};
    {
        GdiObject<HBRUSH> fill(::CreateSolidBrush(marker));
        ::FillRect(dc, &all, fill.Get());
    }
    POINT oldOrigin;
    ::SetViewportOrgEx(dc, -topLeft.x, -topLeft.y, &oldOrigin);
    ::SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    ::SetViewportOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
    const POINT probes[] = {{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}, {w / 2, h / 2}};
    for (const POINT& p : probes)
        if (::GetPixel(dc, p.x, p.y) == marker) return false;
    return true;
}

POINT PlaceInParent(HWND control, HWND parent) {
    RECT window;
    ::GetWindowRect(control, &window);
    POINT topLeft{window.left, window.top};
    ::ScreenToClient(parent, &topLeft);
    return topLeft;
}
