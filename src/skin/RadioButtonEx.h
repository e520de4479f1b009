#pragma once
// CRadioButtonEx: a radio button drawn from a mark image (checked, unchecked
// or disabled), an optional background image and its window text. It keeps
// its own checked state and unchecks the other members of its dialog group.
#include <memory>
#include <string>

#include "skin/GdiplusInclude.h"
#include "ui/Button.h"

// Posted to the other members of a group when one becomes checked.
constexpr UINT WM_RADIOEX_UNCHECK = WM_USER + 0x100;

class CRadioButtonEx : public CButton {
public:
    // Loads the default marks (249, 250, 267) and background (248).
    CRadioButtonEx();

    // Attach to control `id` of `parent` and make it owner-drawn.
    BOOL SubclassDlgItem(UINT id, CWnd* parent);

    void SetCheckedImage(UINT id, const wchar_t* type);
    void SetUncheckedImage(UINT id, const wchar_t* type);
    // The control is then drawn without background.
    void RemoveBackgroundImage();
    void SetTextColor(Gdiplus::ARGB colour) { m_textColour = colour; }

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    void DrawItem(const DRAWITEMSTRUCT& item) override;

private:
    // The background, mark and text into `dc` over `r`.
    void DrawFace(HDC dc, const RECT& r, bool disabled, Gdiplus::Image* mark);
    void SetChecked(bool checked);
    void UncheckGroupOthers();
    void Repaint(BOOL erase);

    std::unique_ptr<Gdiplus::Image> m_checkedImage;
    std::unique_ptr<Gdiplus::Image> m_uncheckedImage;
    std::unique_ptr<Gdiplus::Image> m_disabledImage;
    std::unique_ptr<Gdiplus::Image> m_background;
    std::unique_ptr<Gdiplus::Font> m_font;
    Gdiplus::ARGB m_textColour = 0xFF000000;
    std::wstring m_text;
    bool m_checked = false;
};
