#pragma once
// The windows are fixed pixel art. A system above 96 DPI that does not
// stretch a DPI-unaware program (Wine does not) still grows whatever a
// dialog template sizes in dialog units; these put it back.
#include <windows.h>

// The screen's DPI (96 when it cannot be read).
int ScreenDpi();

// Above 96 DPI: `dialog` and each of its child windows get the place and
// size they have at 96 DPI. Nothing at 96 DPI.
void KeepTemplateAt96Dpi(HWND dialog);
