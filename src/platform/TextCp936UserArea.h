#pragma once
// The cells of code page 936 that Windows maps to the Private Use Area
// (U+E000-U+E864) and glibc's GBK leaves undefined: the three user-defined
// areas (AAA1-AFFE, F8A1-FEFE, A140-A7A0) and the unassigned cells of the
// symbol rows, each as Windows' MultiByteToWideChar reads it. The native
// build's conversions of code page 936 use these; Windows has its own.
#include <string>

namespace platform {

// The character of the two-byte cell `lead` `trail`, when it is one of these.
bool Cp936UserCellToWide(unsigned char lead, unsigned char trail, wchar_t* out);
// Appends the cell of `c` to `out`, when `c` is one of these characters.
bool WideToCp936UserCell(wchar_t c, std::string* out);

}  // namespace platform
