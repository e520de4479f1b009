#pragma once
// CButtonEx: a push button drawn from up to four PNG images, one per state,
// over the parent's own pixels; the images carry the captions.
#include <memory>

#include "skin/GdiplusInclude.h"
#include "ui/Button.h"

// Visual states of a CButtonEx.
enum ButtonState { kButtonNormal = 0, kButtonHover = 1, kButtonPressed = 2, kButtonDisabled = 3 };

class CButtonEx : public CButton {
public:
    CButtonEx() = default;

    // Attach to control `id` of `parent` and make it owner-drawn.
    BOOL SubclassDlgItem(UINT id, CWnd* parent);

    // Each loads PNG resource `id` of type `type` as that state's image,
    // replacing the previous one; a failed load leaves the state without
    // image (the control then shows only the parent's background).
    void SetNormalImage(UINT id, const wchar_t* type);
    void SetHoverImage(UINT id, const wchar_t* type);
    void SetPressedImage(UINT id, const wchar_t* type);
    void SetDisabledImage(UINT id, const wchar_t* type);

    // Sets the state without repainting. The disabled look stays after the
    // control is enabled again until a mouse event or SetState(0).
    void SetState(int state) { m_state = state; }
    int GetState() const { return m_state; }

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    void DrawItem(const DRAWITEMSTRUCT& item) override;

private:
    static void Replace(std::unique_ptr<Gdiplus::Image>& slot, UINT id, const wchar_t* type);
    Gdiplus::Image* ImageOf(int state) const;
    void Repaint(BOOL erase);

    int m_state = kButtonNormal;
    bool m_mouseDown = false;
    std::unique_ptr<Gdiplus::Image> m_normal;
    std::unique_ptr<Gdiplus::Image> m_hover;
    std::unique_ptr<Gdiplus::Image> m_pressed;
    std::unique_ptr<Gdiplus::Image> m_disabled;
};
