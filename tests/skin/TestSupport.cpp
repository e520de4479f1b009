#include "TestSupport.h"

#include <stdlib.h>

#include "skin/GdiplusInclude.h"
#include "skin/GdiHandles.h"

namespace {
struct GdiplusSession {
    ULONG_PTR token = 0;
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token, &input, nullptr);
    }
    ~GdiplusSession() {
        if (token) Gdiplus::GdiplusShutdown(token);
    }
};

std::wstring ScreenshotDir() {
    std::wstring dir = QUILLON_SCREENSHOT_DIR;
    ::CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

const CLSID kPngEncoder = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
}  // namespace

void EnsureGdiplus() { static GdiplusSession session; }

void PumpMessagesFor(DWORD ms) {
    const DWORD start = ::GetTickCount();
    do {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(10);
    } while (::GetTickCount() - start < ms);
}

COLORREF ScreenPixel(int x, int y) {
    WindowDC screen(nullptr);
    return ::GetPixel(screen.Get(), x, y);
}

bool SaveScreenshot(const RECT& r, const std::wstring& name) {
    EnsureGdiplus();
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return false;
    WindowDC screen(nullptr);
    MemoryDC mem(screen.Get());
    GdiObject<HBITMAP> bitmap(::CreateCompatibleBitmap(screen.Get(), w, h));
    {
        SelectScope select(mem.Get(), bitmap.Get());
        ::BitBlt(mem.Get(), 0, 0, w, h, screen.Get(), r.left, r.top, SRCCOPY);
    }
    Gdiplus::Bitmap image(bitmap.Get(), nullptr);
    const std::wstring path = ScreenshotDir() + L"\\" + name + L".png";
    return image.Save(path.c_str(), &kPngEncoder, nullptr) == Gdiplus::Ok;
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return abs(GetRValue(a) - GetRValue(b)) <= tolerance && abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}
