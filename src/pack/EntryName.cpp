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

}  // namespace

bool IsSafeEntryName(const std::wstring& name) {
    if (!name.empty() && (name[0] == L'\\' || name[0] == L'/')) return false;
    if (name.find(L':') != std::wstring::npos) return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of(L"\\/", start);
        if (end == std::wstring::npos) end = name.size();
        if (IsParentReference(name.substr(start, end - start))) return false;
        start = end + 1;
    }
    return true;
}
