#pragma once
// The parent's picture under a control, for controls whose images have
// transparent parts.
#include <windows.h>

// Asks `parent` to paint its client area into `dc` (WM_PRINTCLIENT) with the
// origin moved so that the control's top-left `topLeft` (parent client
// coordinates) lands at (0, 0) of `dc`, which is w x h. False when the
// parent did not paint (a marker colour shows through), so the caller can
// fall back to something else.
bool ParentPaintsBackground(HWND parent, HDC dc, POINT topLeft, int w, int h);

// The control's top-left in its parent's client coordinates.
POINT PlaceInParent(HWND control, HWND parent);
