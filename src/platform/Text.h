#pragma once
// Text conversions at the file-format edges. Inside the program text is
// std::wstring: UTF-16 on Windows, UTF-32 in the native build.
#include <string>

namespace platform {

// The legacy 8-bit code page of the operators' PCs ("ANSI code page").
// Windows: the system ANSI code page. Native build: a setting that defaults
// to 936 (GBK), since packs made on the operators' PCs carry GBK names.
unsigned AnsiCodePage();
void SetAnsiCodePage(unsigned codePage);  // native build only; ignored on Windows

// Conversions to and from the ANSI code page. `lossless` (optional) is set to
// false when a character had no representation and was replaced.
std::string WideToAnsi(const std::wstring& text, bool* lossless = nullptr);
std::wstring AnsiToWide(const std::string& text);

// UTF-16 code units, as stored in files (little-endian on disk is the
// caller's business).
std::u16string WideToUtf16(const std::wstring& text);
std::wstring Utf16ToWide(const std::u16string& text);

std::string WideToUtf8(const std::wstring& text);
std::wstring Utf8ToWide(const std::string& text);

// Ordinal comparison by UTF-16 code units (what Windows' ordinal string
// comparison does); differs from wchar_t order for characters above U+FFFF
// in the native build.
int CompareUtf16(const std::wstring& a, const std::wstring& b);
struct Utf16Less {
    bool operator()(const std::wstring& a, const std::wstring& b) const { return CompareUtf16(a, b) < 0; }
};

}  // namespace platform
