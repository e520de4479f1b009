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

// Above 96 DPI: makes `control` again, same class, styles, id, font and
// place in the tab order, at its 96-DPI size, for controls that lay their
// parts out once when they are created (the IP address control's fields).
// Returns the control to use: the new one, or `control` itself at 96 DPI
// or when no new one could be made.
HWND RemakeAt96Dpi(HWND control);
