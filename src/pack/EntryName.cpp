#include "pack/EntryName.h"

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

const char* EntryNameProblem(const std::wstring& name) {
    if (name.empty()) return "an empty name";
    if (name[0] == L'\\' || name[0] == L'/') return "an absolute name";
    if (name.find(L':') != std::wstring::npos) return "a drive or stream name";
    for (wchar_t c : name)
        if (c < 0x20 || c == 0x7F) return "a control character in a name";
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of(L"\\/", start);
        if (end == std::wstring::npos) end = name.size();
        const std::wstring part = name.substr(start, end - start);
        if (IsParentReference(part)) return "a name climbing out with ..";
        if (IsDeviceName(part)) return "a device name";
        // Windows drops trailing dots and blanks, so such a name is stored
        // under another one than the archive says; only a folder entry's
        // final separator may leave an empty last part.
        if (part.empty() && end != name.size()) return "an empty folder name";
        if (!part.empty() && (part.back() == L'.' || part.back() == L' ')) return "a name ending in a dot or blank";
        start = end + 1;
    }
    return nullptr;
}

std::wstring WithoutDotComponents(const std::wstring& name) {
    std::wstring out;
    size_t start = 0;
    while (start < name.size()) {
        size_t end = name.find_first_of(L"\\/", start);
        const bool last = end == std::wstring::npos;
        if (last) end = name.size();
        // "." and its separator go; a final "." leaves the separator before it.
        if (end - start != 1 || name[start] != L'.') out.append(name, start, last ? end - start : end - start + 1);
        start = end + 1;
    }
    return out;
}

bool IsSafeEntryName(const std::wstring& name) { return EntryNameProblem(name) == nullptr; }
