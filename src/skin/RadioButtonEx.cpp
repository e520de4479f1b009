#include "skin/RadioButtonEx.h"

#include "skin/Fonts.h"
#include "skin/GdiHandles.h"
#include "skin/ParentBackground.h"
#include "skin/PngResource.h"
#include "ui/EraseBackground.h"

namespace {
constexpr UINT kCheckedMark = 249, kUncheckedMark = 250, kDisabledMark = 267, kBackground = 248;
constexpr Gdiplus::ARGB kDisabledText = 0xFFA2A7A1;
}  // namespace

CRadioButtonEx::CRadioButtonEx()
    : m_checkedImage(LoadPngResource(kCheckedMark, PngType())),
      m_uncheckedImage(LoadPngResource(kUncheckedMark, PngType())),
      m_disabledImage(LoadPngResource(kDisabledMark, PngType())),
      m_background(LoadPngResource(kBackground, PngType())),
      // 10 pt at 96 DPI, given in pixels: the label must fit its fixed-size
      // art whatever DPI the system reports to the process.
      m_font(CreateSkinFont(10.0f * 96.0f / 72.0f, Gdiplus::UnitPixel)) {}

BOOL CRadioButtonEx::SubclassDlgItem(UINT id, CWnd* parent) {
    if (!CButton::SubclassDlgItem(id, parent)) return FALSE;
    SetOwnerDraw();
    return TRUE;
}

void CRadioButtonEx::SetCheckedImage(UINT id, const wchar_t* type) { m_checkedImage = LoadPngResource(id, type); }
void CRadioButtonEx::SetUncheckedImage(UINT id, const wchar_t* type) {
    m_uncheckedImage = LoadPngResource(id, type);
}
void CRadioButtonEx::RemoveBackgroundImage() { m_background.reset(); }

void CRadioButtonEx::Repaint(BOOL erase) {
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, erase);
}

// The group runs from the nearest control at or before this one with
// WS_GROUP up to the next control with WS_GROUP. Disabled and hidden members
// are visited too, so a member checked earlier and disabled since does not
// stay checked beside the new one.
void CRadioButtonEx::UncheckGroupOthers() {
    auto startsGroup = [](HWND h) { return (::GetWindowLongPtrW(h, GWL_STYLE) & WS_GROUP) != 0; };
    HWND first = m_hWnd;
    while (!startsGroup(first)) {
        HWND previous = ::GetWindow(first, GW_HWNDPREV);
        if (!previous) break;
        first = previous;
    }
    for (HWND h = first; h; h = ::GetWindow(h, GW_HWNDNEXT)) {
        if (h != first && startsGroup(h)) break;
        // Only skinned radios understand the message; other controls of
        // the group might read a private message number as their own.
        if (h != m_hWnd && dynamic_cast<CRadioButtonEx*>(FromHandlePermanent(h)))
            ::PostMessageW(h, WM_RADIOEX_UNCHECK, 0, 0);
    }
}

void CRadioButtonEx::SetChecked(bool checked) {
    m_checked = checked;
    if (checked) UncheckGroupOthers();
    Repaint(TRUE);
}

LRESULT CRadioButtonEx::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case BM_SETCHECK:
            SetChecked(wParam != 0);
            return 0;
        case BM_GETCHECK:
            return m_checked ? 1 : 0;
        case WM_RADIOEX_UNCHECK:
            if (m_checked) {
                m_checked = false;
                Repaint(TRUE);
            }
            return 0;
        case WM_LBUTTONDOWN:
            SendMessage(BM_SETCHECK, 1);
            Repaint(FALSE);
            return Default();
        case WM_LBUTTONUP:
            Repaint(FALSE);
            return Default();
        case WM_KEYDOWN:
            if (wParam == VK_SPACE) SendMessage(BM_SETCHECK, 1);
            return Default();
        case WM_ERASEBKGND:
            return OnEraseBackgroundSkipped();
        default:
            return CButton::WindowProc(msg, wParam, lParam);
    }
}

void CRadioButtonEx::DrawItem(const DRAWITEMSTRUCT& item) {
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    Gdiplus::Image* mark = disabled ? m_disabledImage.get()
                                    : (m_checked ? m_checkedImage.get() : m_uncheckedImage.get());
    const int itemW = item.rcItem.right - item.rcItem.left, itemH = item.rcItem.bottom - item.rcItem.top;
    if (itemW <= 0 || itemH <= 0) return;
    // Drawn off-screen over the parent's own picture, so transparent parts
    // of the images (the model cards' rounded corners) show the window
    // behind them rather than whatever the control's surface held.
    MemoryDC mem(item.hDC);
    GdiObject<HBITMAP> surface(::CreateCompatibleBitmap(item.hDC, itemW, itemH));
    if (!mem || !surface) return;
    SelectScope selectSurface(mem.Get(), surface.Get());
    HWND parent = ::GetParent(m_hWnd);
    if (!ParentPaintsBackground(parent, mem.Get(), PlaceInParent(m_hWnd, parent), itemW, itemH)) {
        RECT all{0, 0, itemW, itemH};
        ::FillRect(mem.Get(), &all, ::GetSysColorBrush(COLOR_BTNFACE));
    }
    DrawFace(mem.Get(), RECT{0, 0, itemW, itemH}, disabled, mark);
    ::BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, itemW, itemH, mem.Get(), 0, 0, SRCCOPY);
}

void CRadioButtonEx::DrawFace(HDC dc, const RECT& r, bool disabled, Gdiplus::Image* mark) {
    const int itemW = r.right - r.left, itemH = r.bottom - r.top;
    Gdiplus::Graphics g(dc);
    if (m_background) {
        Gdiplus::Rect dest(r.left, r.top, itemW, itemH);
        g.DrawImage(m_background.get(), dest, 0, 0, static_cast<INT>(m_background->GetWidth()),
                    static_cast<INT>(m_background->GetHeight()), Gdiplus::UnitPixel);
    }
    Gdiplus::RectF textBox(static_cast<Gdiplus::REAL>(r.left), static_cast<Gdiplus::REAL>(r.top),
                           static_cast<Gdiplus::REAL>(itemW), static_cast<Gdiplus::REAL>(itemH));
    if (mark) {
        const int markW = static_cast<int>(mark->GetWidth()), markH = static_cast<int>(mark->GetHeight());
        g.DrawImage(mark, r.left, r.top + (itemH - markH) / 2, markW, markH);
        textBox.X += markW;
        textBox.Width -= markW;
    }

    wchar_t text[256] = {};
    ::GetWindowTextW(m_hWnd, text, 256);
    m_text = text;
    if (m_text.empty() || !m_font) return;
    g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    Gdiplus::StringFormat format;
    format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    Gdiplus::SolidBrush brush(Gdiplus::Color(disabled ? kDisabledText : m_textColour));
    g.DrawString(m_text.c_str(), static_cast<INT>(m_text.size()), m_font.get(), textBox, &format, &brush);
}
