#pragma once
// The application object: GDI+ for the whole process, the common controls,
// the single-instance rule, and the main dialog run modally.
#include <windows.h>

class CWnd;

class CQuillonApp {
public:
    CQuillonApp();
    virtual ~CQuillonApp();

    // Runs the program; false in every case, so the process then ends.
    virtual BOOL InitInstance();


private:
    ULONG_PTR m_gdiplusToken = 0;
};

// Name of the single-instance mutex; its odd digit groups are exact.
extern const wchar_t kSingleInstanceMutexName[];
