#include "pack/IniText.h"

const wchar_t kIniHeadSection[] = L"[]";

bool IniKeyLess::operator()(const std::wstring& a, const std::wstring& b) const {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const wchar_t x = a[i], y = b[i];
        if (static_cast<uint32_t>(x) >= 0xD800 || static_cast<uint32_t>(y) >= 0xD800)
            return platform::CompareUtf16(a.substr(i), b.substr(i)) < 0;
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}
const wchar_t kIniCommentKey[] = L";";

std::wstring DecodeIniBytes(const std::string& bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::u16string units;
        units.reserve((bytes.size() - 2) / 2);
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            char16_t u = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                               (static_cast<unsigned char>(bytes[i + 1]) << 8));
            if (u == 0) break;
            units.push_back(u);
        }
        return platform::Utf16ToWide(units);
    }
    size_t end = bytes.find('\0');
    return platform::AnsiToWide(end == std::string::npos ? bytes : bytes.substr(0, end));
}

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

void AddOtherLine(IniEntries& entries, const std::wstring& line) {
    entries.emplace(kIniCommentKey, line);  // emplace keeps an existing ";" line
}

}  // namespace

std::vector<IniSection> ParseIniText(const std::wstring& text) {
    std::vector<IniSection> sections;
    IniSection current{kIniHeadSection, {}};
    size_t pos = 0;
    const size_t n = text.size();
    while (pos < n) {
        // Runs of CR and LF are one break; empty lines vanish.
        while (pos < n && (text[pos] == L'\r' || text[pos] == L'\n')) ++pos;
        if (pos >= n) break;
        size_t end = pos;
        while (end < n && text[end] != L'\r' && text[end] != L'\n') ++end;
        const std::wstring line = text.substr(pos, end - pos);
        pos = end;

        size_t first = 0;
        while (first < line.size() && IsBlank(line[first])) ++first;
        const wchar_t lead = first < line.size() ? line[first] : L'\0';
        if (lead == L';') {
            AddOtherLine(current.entries, line);
        } else if (lead == L'[') {
            size_t close = line.find(L']', first + 1);
            if (close == std::wstring::npos) return sections;  // the rest of the text is dropped
            sections.push_back(current);
            current.name = line.substr(first + 1, close - first - 1);
            current.entries.clear();
        } else {
            size_t eq = line.find(L'=', first);
            if (eq == std::wstring::npos) {
                AddOtherLine(current.entries, line);
                continue;
            }
            size_t keyEnd = eq;
            while (keyEnd > first && line[keyEnd - 1] == L' ') --keyEnd;
            size_t valueStart = eq + 1;
            while (valueStart < line.size() && line[valueStart] == L' ') ++valueStart;
            current.entries.emplace(line.substr(first, keyEnd - first), line.substr(valueStart));
        }
    }
    if (!current.name.empty()) sections.push_back(std::move(current));
    return sections;
}

namespace {
void AppendUtf16(std::string& out, const std::wstring& text) {
    for (char16_t u : platform::WideToUtf16(text)) {
        out.push_back(static_cast<char>(u & 0xFF));
        out.push_back(static_cast<char>(u >> 8));
    }
}
}  // namespace

std::string EncodeIniSections(const std::vector<IniSection>& sections) {
    std::string out("\xFF\xFE", 2);
    for (const IniSection& s : sections) {
        if (s.name != kIniHeadSection) AppendUtf16(out, L"\r\n[" + s.name + L"]\r\n");
        for (const auto& [key, value] : s.entries) {
            if (key == kIniCommentKey)
                AppendUtf16(out, value + L"\r\n");
            else
                AppendUtf16(out, key + L"=" + value + L"\r\n");
        }
    }
    return out;
}
