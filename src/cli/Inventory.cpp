#include "cli/Inventory.h"

#include <cstdio>

#include "platform/File.h"
#include "platform/FileCloser.h"
#include "platform/Text.h"

namespace {

bool IsUtf8(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        size_t extra = c < 0x80 ? 0 : (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xE ? 2 : (c >> 3) == 0x1E ? 3 : 9;
        if (extra == 9 || (extra > 0 && i + extra >= s.size())) return false;
        for (size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += extra + 1;
    }
    return true;
}

std::string Trim(const std::string& s) {
    const size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// Splits one line into fields; false on a quote that is not closed or text
// after a closing quote.
bool SplitFields(const std::string& line, std::vector<std::string>* fields) {
    size_t i = 0;
    for (;;) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        std::string field;
        if (i < line.size() && line[i] == '"') {
            for (++i;; ++i) {
                if (i >= line.size()) return false;
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        field += '"';
                        ++i;
                    } else {
                        ++i;
                        break;
                    }
                } else {
                    field += line[i];
                }
            }
            while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
            if (i < line.size() && line[i] != ',') return false;
        } else {
            const size_t comma = line.find(',', i);
            field = Trim(line.substr(i, comma == std::string::npos ? std::string::npos : comma - i));
            i = comma == std::string::npos ? line.size() : comma;
        }
        fields->push_back(field);
        if (i >= line.size()) return true;
        ++i;  // the comma
    }
}

bool LooksLikeAddress(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789.") == std::string::npos;
}

InventoryParse Refuse(size_t line, const std::wstring& why) {
    InventoryParse parse;
    parse.badLine = line;
    parse.error = L"line " + std::to_wstring(line) + L": " + why;
    return parse;
}

}  // namespace

InventoryParse ParseInventoryText(const std::string& bytes) {
    InventoryParse parse;
    size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    for (size_t number = 1; start <= bytes.size(); ++number) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == '#') continue;
        if (!IsUtf8(line)) return Refuse(number, L"is not UTF-8 text");
        std::vector<std::string> fields;
        if (!SplitFields(line, &fields)) return Refuse(number, L"a quoted field is not closed");
        if (fields.size() > 3) return Refuse(number, L"more than three fields (target, name, site)");
        if (fields[0].empty()) return Refuse(number, L"no address or disk path");
        InventoryEntry entry;
        entry.target = platform::Utf8ToWide(fields[0]);
        if (fields.size() > 1) entry.name = platform::Utf8ToWide(fields[1]);
        if (fields.size() > 2) entry.site = platform::Utf8ToWide(fields[2]);
        entry.line = number;
        entry.isAddress = LooksLikeAddress(fields[0]);
        parse.entries.push_back(entry);
    }
    parse.ok = true;
    return parse;
}

InventoryParse LoadInventory(const std::wstring& path) {
    InventoryParse parse;
    platform::FilePtr file(platform::OpenFile(path, "rb"));
    if (!file) {
        parse.error = L"cannot read inventory " + path;
        return parse;
    }
    std::string bytes;
    char buffer[16384];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.append(buffer, n);
    if (std::ferror(file.get())) {
        parse.error = L"cannot read inventory " + path;
        return parse;
    }
    parse = ParseInventoryText(bytes);
    if (!parse.ok) parse.error = L"inventory " + path + L" " + parse.error;
    return parse;
}
