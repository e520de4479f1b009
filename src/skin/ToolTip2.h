#pragma once
// CToolTip2: a hint window kept hidden by its owner.
#include <string>

#include "skin/GdiHandles.h"
#include "ui/Wnd.h"

class CToolTip2 : public CWnd {
public:
    CToolTip2() = default;
    ~CToolTip2() override;

    // Remembers the owner, makes the font ("MS Sans Serif", height 15) and
    // creates the hidden window (style 0xC4000000: pop-up, child-clipping,
    // empty rectangle, control id 0).
    BOOL Create(CWnd* owner);
    const std::wstring& GetText() const { return m_text; }

private:
    std::wstring m_text;
    CWnd* m_owner = nullptr;
    POINT m_position{0, 0};
    GdiObject<HFONT> m_font;
};
