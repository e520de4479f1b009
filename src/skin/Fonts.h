#pragma once
// The skin's text faces: "微软雅黑", falling back to "宋体".
#include <memory>

#include "skin/GdiplusInclude.h"

extern const wchar_t kPreferredFace[];  // "微软雅黑"
extern const wchar_t kFallbackFace[];   // "宋体"

// True when the font families on `hwnd`'s device context include `face`
// (default character set).
bool IsFontInstalled(HWND hwnd, const wchar_t* face);

// A GDI+ font of the preferred face, or of the fallback face when the
// preferred family cannot be created; null when neither can.
std::unique_ptr<Gdiplus::Font> CreateSkinFont(Gdiplus::REAL size, Gdiplus::Unit unit,
                                              INT style = Gdiplus::FontStyleRegular);
