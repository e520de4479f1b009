#pragma once
// CToolTip2: a hint window kept hidden by its owner.
#include "skin/GdiHandles.h"
#include "ui/Wnd.h"

class CToolTip2 : public CWnd {
public:
    CToolTip2() = default;
    ~CToolTip2() override;

    // Makes the font ("MS Sans Serif", height 15) and creates the hidden
    // window owned by `owner` (style 0xC4000000: pop-up, child-clipping,
    // empty rectangle, control id 0).
    BOOL Create(CWnd* owner);

private:
    GdiObject<HFONT> m_font;
};
