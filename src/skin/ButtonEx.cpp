#include "skin/ButtonEx.h"

#include <commctrl.h>

#include "skin/GdiHandles.h"
#include "skin/ParentBackground.h"
#include "skin/PngResource.h"
#include "ui/EraseBackground.h"

namespace {
// TransparentBlt's key colour: a blue that no skin image uses, so every
// pixel is transferred.
constexpr COLORREF kTransferKey = 0x00CC0020;
}  // namespace

BOOL CButtonEx::SubclassDlgItem(UINT id, CWnd* parent) {
    if (!CButton::SubclassDlgItem(id, parent)) return FALSE;
    SetOwnerDraw();
    return TRUE;
}

void CButtonEx::Replace(std::unique_ptr<Gdiplus::Image>& slot, UINT id, const wchar_t* type) {
    slot = LoadPngResource(id, type);
}

void CButtonEx::SetNormalImage(UINT id, const wchar_t* type) { Replace(m_normal, id, type); }
void CButtonEx::SetHoverImage(UINT id, const wchar_t* type) { Replace(m_hover, id, type); }
void CButtonEx::SetPressedImage(UINT id, const wchar_t* type) { Replace(m_pressed, id, type); }
void CButtonEx::SetDisabledImage(UINT id, const wchar_t* type) { Replace(m_disabled, id, type); }

Gdiplus::Image* CButtonEx::ImageOf(int state) const {
    switch (state) {
        case kButtonHover: return m_hover.get();
        case kButtonPressed: return m_pressed.get();
        case kButtonDisabled: return m_disabled.get();
        default: return m_normal.get();
    }
}

void CButtonEx::Repaint(BOOL erase) {
    ::InvalidateRect(m_hWnd, nullptr, erase);
    ::UpdateWindow(m_hWnd);
}

LRESULT CButtonEx::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_MOUSEMOVE: {
            // Ask again on every move, so a hover report follows each move.
            TRACKMOUSEEVENT tme{sizeof tme, TME_HOVER | TME_LEAVE, m_hWnd, 1};
            _TrackMouseEvent(&tme);
            return Default();
        }
        case WM_MOUSEHOVER: {
            RECT r;
            POINT cursor;
            ::GetWindowRect(m_hWnd, &r);
            ::GetCursorPos(&cursor);
            m_state = (m_mouseDown && ::PtInRect(&r, cursor)) ? kButtonPressed : kButtonHover;
            Repaint(FALSE);
            return 1;
        }
        case WM_MOUSELEAVE:
            m_state = kButtonNormal;
            m_mouseDown = false;
            Repaint(TRUE);
            return 1;
        case WM_LBUTTONDOWN:
            m_state = kButtonPressed;
            m_mouseDown = true;
            Repaint(FALSE);
            return Default();
        case WM_LBUTTONDBLCLK:
            m_state = kButtonPressed;
            Repaint(FALSE);
            return Default();
        case WM_LBUTTONUP:
            m_state = kButtonHover;
            m_mouseDown = false;
            Repaint(FALSE);
            return Default();
        case WM_ERASEBKGND:
            return OnEraseBackgroundSkipped();
        default:
            return CButton::WindowProc(msg, wParam, lParam);
    }
}

// Asks the parent to paint its client area into `dc`, shifted so that the
// control's top-left is at (0, 0). The screen under the control holds the
// control's own last picture (or nothing yet when the parent clips its
// children), so the parent's own painting is the true background. True when
// the parent painted every pixel; parents that ignore WM_PRINTCLIENT leave
// the marker colour, and the caller copies the screen instead.
void CButtonEx::DrawItem(const DRAWITEMSTRUCT& item) {
    if (item.itemState & ODS_DISABLED) m_state = kButtonDisabled;
    Gdiplus::Image* image = ImageOf(m_state);

    RECT window;
    ::GetWindowRect(m_hWnd, &window);
    const int controlW = window.right - window.left, controlH = window.bottom - window.top;
    const int w = image ? static_cast<int>(image->GetWidth()) : controlW;
    const int h = image ? static_cast<int>(image->GetHeight()) : controlH;
    if (w <= 0 || h <= 0) return;

    MemoryDC mem(item.hDC);
    GdiObject<HBITMAP> work(::CreateCompatibleBitmap(item.hDC, w, h));
    if (!mem || !work) return;
    SelectScope selectWork(mem.Get(), work.Get());

    // The parent's pixels under the control make the background, so the
    // image's transparent parts show what lies behind the button.
    HWND parent = ::GetParent(m_hWnd);
    const POINT topLeft = PlaceInParent(m_hWnd, parent);
    if (!ParentPaintsBackground(parent, mem.Get(), topLeft, w, h)) {
        WindowDC parentDC(parent);
        ::BitBlt(mem.Get(), 0, 0, w, h, parentDC.Get(), topLeft.x, topLeft.y, SRCCOPY);
    }
    if (image) {
        Gdiplus::Graphics g(mem.Get());
        g.DrawImage(image, 0, 0, w, h);
    }
    ::TransparentBlt(item.hDC, 0, 0, controlW, controlH, mem.Get(), 0, 0, w, h, kTransferKey);
}
