#include "pack/ZipExtraction.h"

namespace {

// A component made only of dots and blanks with at least two dots names a
// parent folder once Windows has dropped its trailing dots and blanks.
bool IsParentReference(const std::wstring& part) {
    size_t dots = 0;
    for (wchar_t c : part) {
        if (c == L'.')
            ++dots;
        else if (c != L' ')
            return false;
    }
    return dots >= 2;
}

// Windows opens a device, not a file, for these names in any folder and
// with any extension ("COM1.txt" is the serial port).
bool IsDeviceName(const std::wstring& part) {
    std::wstring base = part.substr(0, part.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    for (wchar_t& c : base) c = (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
    if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL" || base == L"CONIN$" ||
        base == L"CONOUT$")
        return true;
    return base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) &&
           base[3] >= L'1' && base[3] <= L'9';
}

}  // namespace

bool IsSafeEntryName(const std::wstring& name) {
    if (!name.empty() && (name[0] == L'\\' || name[0] == L'/')) return false;
    if (name.find(L':') != std::wstring::npos) return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of(L"\\/", start);
        if (end == std::wstring::npos) end = name.size();
        const std::wstring part = name.substr(start, end - start);
        if (IsParentReference(part) || IsDeviceName(part)) return false;
        start = end + 1;
    }
    return true;
}
