#include "skin/MyTreeCtrl.h"

#include <string.h>

#include "skin/PngResource.h"
#include "ui/EraseBackground.h"

namespace {
constexpr UINT kExpandedGlyph = 300, kCollapsedGlyph = 301;
constexpr Gdiplus::ARGB kSelectionFill = 0xFF316AC5;
constexpr int kTextBoxExtra = 10;  // the text box is this much wider than the text
constexpr int kIconTextGap = 3;    // the tree's gap between an item's icon and its text

HFONT MakeFont(int height, const wchar_t* face) {
    return ::CreateFontW(height, 0, 0, 0, 500, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS, face);
}
}  // namespace

CMyTreeCtrl::CMyTreeCtrl()
    : m_expandedGlyph(LoadPngResource(kExpandedGlyph, PngType())),
      m_collapsedGlyph(LoadPngResource(kCollapsedGlyph, PngType())) {}

void CMyTreeCtrl::SetTextFont(int height, const wchar_t* face) {
    HFONT font = MakeFont(height, face);
    if (!font) font = MakeFont(height - 1, L"宋体");
    // The tree holds the font handle; the old font goes only after the
    // tree has switched to the new one.
    GdiObject<HFONT> next(font);
    if (m_hWnd) SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(next.Get()), TRUE);
    m_font = std::move(next);
}

LRESULT CMyTreeCtrl::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_ERASEBKGND:
            return OnEraseBackgroundSkipped();
        default:
            return CTreeCtrl::WindowProc(msg, wParam, lParam);
    }
}

void CMyTreeCtrl::Paint() {
    PaintScope paint(m_hWnd);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    RECT clip = paint.Info().rcPaint;
    MemoryDC mem(paint.Get());
    GdiObject<HBITMAP> bitmap(::CreateCompatibleBitmap(paint.Get(), client.right, client.bottom));
    if (!mem || !bitmap) return;
    SelectScope select(mem.Get(), bitmap.Get());
    ::IntersectClipRect(mem.Get(), clip.left, clip.top, clip.right, clip.bottom);

    // The standard tree draws lines, icons, text and buttons first.
    DefWindowProc(WM_PAINT, reinterpret_cast<WPARAM>(mem.Get()), 0);
    PaintItems(mem.Get());
    ::BitBlt(paint.Get(), clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top, mem.Get(),
             clip.left, clip.top, SRCCOPY);
}

void CMyTreeCtrl::PaintItems(HDC dc) {
    Gdiplus::Graphics g(dc);
    LOGFONTW lf{};
    HFONT treeFont = GetFont();
    if (!treeFont) treeFont = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    ::GetObjectW(treeFont, sizeof lf, &lf);
    Gdiplus::Font font(dc, &lf);
    g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    Gdiplus::SolidBrush white{Gdiplus::Color(0xFFFFFFFF)};
    Gdiplus::SolidBrush black{Gdiplus::Color(0xFF000000)};
    Gdiplus::SolidBrush selection{Gdiplus::Color(kSelectionFill)};

    const int indent = static_cast<int>(SendMessage(TVM_GETINDENT));
    int iconWidth = 0, iconHeight = 0;
    if (HIMAGELIST icons = reinterpret_cast<HIMAGELIST>(SendMessage(TVM_GETIMAGELIST, TVSIL_NORMAL)))
        ImageList_GetIconSize(icons, &iconWidth, &iconHeight);

    // One more than the visible count, so a partly visible last row is
    // painted too.
    const UINT count = GetVisibleCount() + 1;
    HTREEITEM item = GetFirstVisibleItem();
    for (UINT i = 0; i < count && item; ++i, item = GetNextVisibleItem(item)) {
        std::wstring text = GetItemText(item);
        RECT r;
        if (!GetItemTextRect(item, &r)) continue;
        Gdiplus::RectF box(static_cast<Gdiplus::REAL>(r.left), static_cast<Gdiplus::REAL>(r.top),
                           static_cast<Gdiplus::REAL>(r.right - r.left + kTextBoxExtra),
                           static_cast<Gdiplus::REAL>(r.bottom - r.top));
        const UINT state = GetItemState(item, TVIS_SELECTED | TVIS_DROPHILITED | TVIS_EXPANDED);
        const bool highlighted = (state & (TVIS_SELECTED | TVIS_DROPHILITED)) != 0;
        g.FillRectangle(highlighted ? &selection : &white, box);
        g.DrawString(text.c_str(), static_cast<INT>(text.size()), &font, Gdiplus::PointF(box.X, box.Y),
                     highlighted ? &white : &black);

        if (GetChildItem(item)) {
            // Cover the standard button and put the glyph in its middle. The
            // button's centre is half an indent left of the icon column.
            const int cx = r.left - iconWidth - kIconTextGap - indent / 2;
            const int cy = (r.top + r.bottom) / 2;
            g.FillRectangle(&white, cx - 6, cy - 6, 13, 13);
            if (state & TVIS_EXPANDED) {
                if (m_expandedGlyph) g.DrawImage(m_expandedGlyph.get(), cx - 3, cy - 3, 7, 7);
            } else if (m_collapsedGlyph) {
                g.DrawImage(m_collapsedGlyph.get(), cx - 2, cy - 4, 5, 9);
            }
        }
    }
}
