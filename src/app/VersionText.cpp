#include "app/VersionText.h"

#include <cwchar>

std::wstring FormatVersionText(uint32_t mostSignificant, uint32_t leastSignificant) {
    wchar_t text[64];
    swprintf(text, sizeof text / sizeof text[0], L"%d.%d.%d.%d", static_cast<int>(mostSignificant >> 16),
             static_cast<int>(mostSignificant & 0xFFFF), static_cast<int>(leastSignificant >> 16),
             static_cast<int>(leastSignificant & 0xFFFF));
    return std::wstring(L"V") + text;
}
