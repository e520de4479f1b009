#pragma once
// Helpers of the window tests: GDI+ for the test process, message pumping,
// pixels of the screen and screenshots into the build's screenshots folder.
#include <windows.h>

#include <string>

// Starts GDI+ once for the whole test program.
void EnsureGdiplus();

// Dispatches this thread's messages for about `ms` milliseconds.
void PumpMessagesFor(DWORD ms);

// The screen pixel at (x, y) as a GDI colour.
COLORREF ScreenPixel(int x, int y);

// Saves the screen rectangle `r` as <screenshots>/<name>.png; true on
// success. The folder is QUILLON_SCREENSHOT_DIR (the build's screenshots).
bool SaveScreenshot(const RECT& r, const std::wstring& name);

// Colour distance helper: true when every channel differs by at most `tolerance`.
bool Near(COLORREF a, COLORREF b, int tolerance = 24);
