#pragma once
// CMyTreeCtrl: the standard tree view, double-buffered, with every visible
// item's text painted over in the skin's colours and the expand buttons
// replaced by small glyph images.
#include <memory>

#include "skin/GdiHandles.h"
#include "skin/GdiplusInclude.h"
#include "ui/TreeCtrl.h"

class CMyTreeCtrl : public CTreeCtrl {
public:
    // Loads the expanded (300) and collapsed (301) glyphs.
    CMyTreeCtrl();

    // Creates the text font (cell height `height`, weight 500, swiss family,
    // face `face`; "宋体" one pixel smaller when that fails) and gives it to
    // the tree with redraw.
    void SetTextFont(int height, const wchar_t* face);

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint();
    void PaintItems(HDC dc);

    std::unique_ptr<Gdiplus::Image> m_expandedGlyph;
    std::unique_ptr<Gdiplus::Image> m_collapsedGlyph;
    GdiObject<HFONT> m_font;
};
