#pragma once
// Scoped owners of GDI handles: each releases its handle on every path.
#include <windows.h>

// A GDI object (bitmap, brush, font, pen, region) deleted with DeleteObject.
template <typename Handle>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle h) : m_h(h) {}
    ~GdiObject() { Reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiObject(GdiObject&& o) noexcept : m_h(o.m_h) { o.m_h = nullptr; }
    GdiObject& operator=(GdiObject&& o) noexcept {
        if (this != &o) {
            Reset(o.m_h);
            o.m_h = nullptr;
        }
        return *this;
    }
    void Reset(Handle h = nullptr) {
        if (m_h) ::DeleteObject(m_h);
        m_h = h;
    }
    Handle Get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }
    // Gives the handle up to a new owner (the system, for a window's region).
    Handle Release() {
        Handle h = m_h;
        m_h = nullptr;
        return h;
    }

private:
    Handle m_h = nullptr;
};

// Gives `hwnd` the shape `region`. The system owns a region once it is a
// window's; one it refused is deleted here.
inline bool SetWindowShape(HWND hwnd, GdiObject<HRGN> region) {
    if (!region || !::SetWindowRgn(hwnd, region.Get(), TRUE)) return false;
    region.Release();
    return true;
}

// A memory device context from CreateCompatibleDC, deleted with DeleteDC.
class MemoryDC {
public:
    explicit MemoryDC(HDC compatibleWith) : m_dc(::CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDC() {
        if (m_dc) ::DeleteDC(m_dc);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC Get() const { return m_dc; }
    explicit operator bool() const { return m_dc != nullptr; }

private:
    HDC m_dc;
};

// A window's device context from GetDC, released with ReleaseDC.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : m_hwnd(hwnd), m_dc(::GetDC(hwnd)) {}
    ~WindowDC() {
        if (m_dc) ::ReleaseDC(m_hwnd, m_dc);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC Get() const { return m_dc; }
    explicit operator bool() const { return m_dc != nullptr; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

// Selects an object into a DC and puts the previous one back at scope end.
class SelectScope {
public:
    SelectScope(HDC dc, HGDIOBJ obj) : m_dc(dc), m_old(dc && obj ? ::SelectObject(dc, obj) : nullptr) {}
    ~SelectScope() {
        if (m_old) ::SelectObject(m_dc, m_old);
    }
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// BeginPaint / EndPaint.
class PaintScope {
public:
    explicit PaintScope(HWND hwnd) : m_hwnd(hwnd), m_dc(::BeginPaint(hwnd, &m_ps)) {}
    ~PaintScope() { ::EndPaint(m_hwnd, &m_ps); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC Get() const { return m_dc; }
    const PAINTSTRUCT& Info() const { return m_ps; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_ps{};
    HDC m_dc;
};

// A 32-bit top-down DIB section of w x h with direct access to its pixels
// (premultiplied BGRA when used for layered windows).
class DibSection {
public:
    DibSection(HDC dc, int w, int h) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        m_bitmap.Reset(::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &m_bits, nullptr, 0));
        if (!m_bitmap) m_bits = nullptr;
    }
    HBITMAP Get() const { return m_bitmap.Get(); }
    void* Bits() const { return m_bits; }
    explicit operator bool() const { return m_bits != nullptr; }

private:
    GdiObject<HBITMAP> m_bitmap;
    void* m_bits = nullptr;
};
