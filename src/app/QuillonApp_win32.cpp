#include "app/QuillonApp.h"

#include <commctrl.h>
#include <gdiplus.h>

#include "app/UpgradeDialogEx.h"

const wchar_t kSingleInstanceMutexName[] = L"{2A320CB-00EEF1-1234}";

CQuillonApp::CQuillonApp() {
    Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, background thread on
    Gdiplus::GdiplusStartup(&m_gdiplusToken, &input, nullptr);
}

CQuillonApp::~CQuillonApp() {
    if (m_gdiplusToken) Gdiplus::GdiplusShutdown(m_gdiplusToken);
}

BOOL CQuillonApp::InitInstance() {
    INITCOMMONCONTROLSEX icc;
    icc.dwSize = sizeof icc;  // 8
    icc.dwICC = 0xFF;         // the whole basic set of classes
    InitCommonControlsEx(&icc);

    // Owned from the start; the system releases it when the process ends.
    HANDLE mutex = CreateMutexW(nullptr, TRUE, kSingleInstanceMutexName);
    const DWORD error = GetLastError();
    // Second instance: end silently. An instance running elevated holds a
    // mutex this one may not open, which reads as "access denied".
    if ((mutex && error == ERROR_ALREADY_EXISTS) || (!mutex && error == ERROR_ACCESS_DENIED)) return FALSE;

    {
        CUpgradeDialogEx dialog(nullptr);
        dialog.DoModal();
    }
    return FALSE;
}
