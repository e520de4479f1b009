#pragma once
// The paint messages of a window that paints all of itself with one
// function: WM_PAINT, and WM_PRINTCLIENT, from whose picture the skinned
// buttons take their background.
#include <windows.h>

#include "skin/GdiHandles.h"
#include "ui/Messages.h"

// Runs `paint(HDC)` for WM_PAINT or WM_PRINTCLIENT and says whether `msg`
// was one of them (the window procedure then returns 0).
template <typename Paint>
bool HandleOwnPaint(HWND hwnd, UINT msg, WPARAM wParam, Paint paint) {
    if (msg == WM_PAINT) {
        PaintScope scope(hwnd);
        paint(scope.Get());
        return true;
    }
    if (msg == WM_PRINTCLIENT) {
        paint(CrackDc(wParam));
        return true;
    }
    return false;
}
