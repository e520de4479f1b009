#pragma once
// Answer to WM_ERASEBKGND of windows that paint their whole area themselves:
// report the background as erased and paint nothing, so nothing flickers
// between the erase and the paint.
#include <windows.h>

inline LRESULT OnEraseBackgroundSkipped() { return TRUE; }
