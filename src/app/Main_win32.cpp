// Process entry: the global application object is built before wWinMain
// runs and destroyed (shutting GDI+ down) after it returns.
#include <windows.h>

#include "app/QuillonApp.h"

CQuillonApp theApp;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    theApp.InitInstance();
    return 0;
}
