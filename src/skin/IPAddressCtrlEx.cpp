#include "skin/IPAddressCtrlEx.h"

#include "skin/Fonts.h"
#include "ui/Messages.h"

BOOL CIPAddressCtrlEx::SubclassDlgItem(UINT id, CWnd* parent) {
    if (!CIPAddressCtrl::SubclassDlgItem(id, parent)) return FALSE;
    if (IsFontInstalled(m_hWnd, kPreferredFace))
        SetFieldFont(20, kPreferredFace);
    else
        SetFieldFont(14, kFallbackFace);
    return TRUE;
}

void CIPAddressCtrlEx::SetFieldFont(int height, const wchar_t* face) {
    GdiObject<HFONT> next(::CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_ROMAN, face));
    if (m_hWnd) {
        SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(next.Get()), TRUE);
        // The fields are edits of their own; not every control passes the
        // font on to them.
        for (HWND field = ::GetWindow(m_hWnd, GW_CHILD); field; field = ::GetWindow(field, GW_HWNDNEXT))
            ::SendMessageW(field, WM_SETFONT, reinterpret_cast<WPARAM>(next.Get()), TRUE);
    }
    m_font = std::move(next);
    m_fontHeight = height;
    m_faceName = face ? face : L"";
}

// The brush and colours of the four edit fields: always the background and
// text colours.
HBRUSH CIPAddressCtrlEx::FieldColours(HDC dc) {
    static GdiObject<HBRUSH> fieldBrush;  // made once, on first use, for the whole program
    if (!fieldBrush) fieldBrush.Reset(::CreateSolidBrush(m_background));
    ::SetTextColor(dc, m_text);
    ::SetBkColor(dc, m_background);
    return fieldBrush.Get();
}

// The control's own colour answer, reflected from its parent.
BOOL CIPAddressCtrlEx::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (msg != WM_CTLCOLOREDIT && msg != WM_CTLCOLORSTATIC)
        return CIPAddressCtrl::OnChildNotify(msg, wParam, lParam, result);
    HDC dc = CrackDc(wParam);
    const bool enabled = ::IsWindowEnabled(m_hWnd) != FALSE;
    const COLORREF back = enabled ? m_background : m_disabledBackground;
    m_brush.Reset(::CreateSolidBrush(back));
    ::SetTextColor(dc, enabled ? m_text : m_disabledText);
    ::SetBkColor(dc, back);
    *result = reinterpret_cast<LRESULT>(m_brush.Get());
    return TRUE;
}

LRESULT CIPAddressCtrlEx::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
            Default();
            return reinterpret_cast<LRESULT>(FieldColours(CrackDc(wParam)));
        case WM_NCPAINT:
            PaintFrame();
            return 0;
        case WM_PAINT:
            PaintDots();
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            if (::IsWindowEnabled(m_hWnd)) FocusFieldNear(CrackMousePoint(lParam).x);
            return 0;
        default:
            return CIPAddressCtrl::WindowProc(msg, wParam, lParam);
    }
}

void CIPAddressCtrlEx::FocusFieldNear(int x) {
    HWND nearest = nullptr, first = nullptr;
    int nearestDistance = 0, firstLeft = 0;
    bool anyText = false;
    for (HWND field = ::GetWindow(m_hWnd, GW_CHILD); field; field = ::GetWindow(field, GW_HWNDNEXT)) {
        RECT r;
        ::GetWindowRect(field, &r);
        ::MapWindowPoints(HWND_DESKTOP, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
        const int distance = x < r.left ? r.left - x : (x >= r.right ? x - r.right + 1 : 0);
        if (!nearest || distance < nearestDistance) {
            nearest = field;
            nearestDistance = distance;
        }
        if (!first || r.left < firstLeft) {
            first = field;
            firstLeft = r.left;
        }
        if (::GetWindowTextLengthW(field) > 0) anyText = true;
    }
    HWND target = anyText ? nearest : first;
    if (!target) return;
    ::SetFocus(target);
    ::SendMessageW(target, EM_SETSEL, 0, -1);
}

void CIPAddressCtrlEx::PaintFrame() {
    HDC dc = ::GetWindowDC(m_hWnd);
    if (!dc) return;
    RECT r;
    ::GetWindowRect(m_hWnd, &r);
    ::OffsetRect(&r, -r.left, -r.top);
    {
        GdiObject<HBRUSH> border(::CreateSolidBrush(m_border));
        GdiObject<HBRUSH> inner(::CreateSolidBrush(m_background));
        ::FrameRect(dc, &r, border.Get());
        ::InflateRect(&r, -1, -1);
        ::FrameRect(dc, &r, inner.Get());
    }
    ::ReleaseDC(m_hWnd, dc);
}

void CIPAddressCtrlEx::PaintDots() {
    PaintScope paint(m_hWnd);
    HDC dc = paint.Get();
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    {
        GdiObject<HBRUSH> fill(::CreateSolidBrush(m_background));
        ::FillRect(dc, &client, fill.Get());
    }
    SelectScope font(dc, m_font.Get());
    ::SetTextColor(dc, m_text);
    ::SetBkMode(dc, TRANSPARENT);
    // Centring " ." in [left, left + i * width/2] puts the dots at a quarter,
    // half and three quarters of the width.
    const int half = (client.right - client.left) / 2;
    for (int i = 1; i <= 3; ++i) {
        RECT box{client.left, client.top, client.left + i * half, client.bottom};
        ::DrawTextW(dc, L" .", 2, &box, DT_CENTER | DT_TOP | DT_SINGLELINE);
    }
}
