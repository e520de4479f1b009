#pragma once
// CIPAddressCtrlEx: the standard IP address control with flat colours, a
// one-pixel frame, its own dots and a larger font.
#include <string>

#include "skin/GdiHandles.h"
#include "ui/IPAddressCtrl.h"

class CIPAddressCtrlEx : public CIPAddressCtrl {
public:
    CIPAddressCtrlEx() = default;

    // Attaches to control `id` of `parent` and chooses the font:
    // "微软雅黑" at 20 when installed, else "宋体" at 14.
    BOOL SubclassDlgItem(UINT id, CWnd* parent);

    void SetAddress(BYTE b0, BYTE b1, BYTE b2, BYTE b3) { CIPAddressCtrl::SetAddress(b0, b1, b2, b3); }
    // Cell height `height`, weight 400, ANSI character set, roman family.
    void SetFieldFont(int height, const wchar_t* face);
    int GetFontHeight() const { return m_fontHeight; }
    const std::wstring& GetFaceName() const { return m_faceName; }

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    HBRUSH FieldColours(HDC dc);
    void PaintFrame();
    void PaintDots();
    // A click on the box itself (a dot or a margin) focuses the field under
    // it or the nearest one; the first when all are empty, so typing a whole
    // address with its dots fills the fields in order.
    void FocusFieldNear(int x);

    COLORREF m_background = RGB(255, 255, 255);
    COLORREF m_border = RGB(255, 255, 255);
    COLORREF m_text = RGB(0, 0, 0);
    COLORREF m_disabledBackground = RGB(230, 235, 210);
    COLORREF m_disabledText = RGB(185, 190, 170);
    GdiObject<HBRUSH> m_brush;
    GdiObject<HFONT> m_font;
    int m_fontHeight = 0;
    std::wstring m_faceName;
};
