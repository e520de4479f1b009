#include "skin/Fonts.h"

#include <string.h>

#include "skin/GdiHandles.h"

const wchar_t kPreferredFace[] = L"微软雅黑";
const wchar_t kFallbackFace[] = L"宋体";

namespace {
constexpr int kFoundAnswer = 10;

int CALLBACK AnswerFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM) { return kFoundAnswer; }

std::unique_ptr<Gdiplus::Font> FontOf(const wchar_t* face, Gdiplus::REAL size, Gdiplus::Unit unit, INT style) {
    Gdiplus::FontFamily family(face);
    if (family.GetLastStatus() != Gdiplus::Ok || !family.IsAvailable()) return nullptr;
    auto font = std::make_unique<Gdiplus::Font>(&family, size, style, unit);
    if (font->GetLastStatus() != Gdiplus::Ok) return nullptr;
    return font;
}
}  // namespace

bool IsFontInstalled(HWND hwnd, const wchar_t* face) {
    if (!face) return false;
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    WindowDC dc(hwnd);
    if (!dc) return false;
    // The enumeration returns the callback's last answer, something else
    // when no family matched.
    return EnumFontFamiliesExW(dc.Get(), &lf, &AnswerFound, 0, 0) == kFoundAnswer;
}

std::unique_ptr<Gdiplus::Font> CreateSkinFont(Gdiplus::REAL size, Gdiplus::Unit unit, INT style) {
    if (auto font = FontOf(kPreferredFace, size, unit, style)) return font;
    return FontOf(kFallbackFace, size, unit, style);
}
