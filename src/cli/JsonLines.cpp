#include "cli/JsonLines.h"

#include <cstdint>
#include <cstdio>

#include "platform/File.h"
#include "platform/FileCloser.h"
#include "platform/Text.h"

namespace {

void AppendUtf8(uint32_t c, std::string* out) {
    if (c < 0x80) {
        *out += static_cast<char>(c);
    } else if (c < 0x800) {
        *out += static_cast<char>(0xC0 | (c >> 6));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out += static_cast<char>(0xE0 | (c >> 12));
        *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out += static_cast<char>(0xF0 | (c >> 18));
        *out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool ReadHex4(const std::string& s, size_t at, uint32_t* value) {
    if (at + 4 > s.size()) return false;
    *value = 0;
    for (size_t k = at; k < at + 4; ++k) {
        const char c = s[k];
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0) return false;
        *value = *value * 16 + static_cast<uint32_t>(digit);
    }
    return true;
}

// A JSON string starting at s[*i] (the opening quote), decoded to UTF-8.
bool ReadString(const std::string& s, size_t* i, std::string* out) {
    if (*i >= s.size() || s[*i] != '"') return false;
    for (++*i; *i < s.size(); ++*i) {
        const char c = s[*i];
        if (c == '"') {
            ++*i;
            return true;
        }
        if (c != '\\') {
            *out += c;
            continue;
        }
        if (++*i >= s.size()) return false;
        switch (s[*i]) {
        case 'n': *out += '\n'; break;
        case 't': *out += '\t'; break;
        case 'r': *out += '\r'; break;
        case 'b': *out += '\b'; break;
        case 'f': *out += '\f'; break;
        case 'u': {
            uint32_t c1 = 0;
            if (!ReadHex4(s, *i + 1, &c1)) return false;
            *i += 4;
            uint32_t c2 = 0;
            if (c1 >= 0xD800 && c1 <= 0xDBFF && *i + 2 < s.size() && s[*i + 1] == '\\' && s[*i + 2] == 'u' &&
                ReadHex4(s, *i + 3, &c2) && c2 >= 0xDC00 && c2 <= 0xDFFF) {
                c1 = 0x10000 + ((c1 - 0xD800) << 10) + (c2 - 0xDC00);
                *i += 6;
            }
            AppendUtf8(c1, out);
            break;
        }
        default: *out += s[*i];  // \" \\ \/
        }
    }
    return false;
}

// Skips a value that is no string: a number, a word, or an array or object
// (strings inside are skipped whole).
bool SkipValue(const std::string& s, size_t* i) {
    int depth = 0;
    while (*i < s.size()) {
        const char c = s[*i];
        if (c == '"') {
            std::string ignored;
            if (!ReadString(s, i, &ignored)) return false;
            continue;
        }
        if (c == '[' || c == '{') ++depth;
        if (c == ']' || c == '}') {
            if (depth == 0) return true;
            --depth;
        }
        if (c == ',' && depth == 0) return true;
        ++*i;
    }
    return false;
}

void SkipSpace(const std::string& s, size_t* i) {
    while (*i < s.size() && (s[*i] == ' ' || s[*i] == '\t' || s[*i] == '\r' || s[*i] == '\n')) ++*i;
}

}  // namespace

bool ReadFileLines(const std::wstring& path, const std::function<void(const std::string& line)>& take) {
    platform::FilePtr file(platform::OpenFile(path, "rb"));
    if (!file) return false;
    std::string line;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        for (size_t k = 0; k < n; ++k) {
            if (buffer[k] != '\n') {
                line += buffer[k];
                continue;
            }
            take(line);
            line.clear();
        }
    }
    if (!line.empty()) take(line);
    return true;
}

bool ReadJsonStringFields(const std::string& s, std::map<std::string, std::string>* fields) {
    size_t i = 0;
    SkipSpace(s, &i);
    if (i >= s.size() || s[i++] != '{') return false;
    for (;;) {
        SkipSpace(s, &i);
        std::string key;
        if (!ReadString(s, &i, &key)) return false;
        SkipSpace(s, &i);
        if (i >= s.size() || s[i++] != ':') return false;
        SkipSpace(s, &i);
        if (i < s.size() && s[i] == '"') {
            std::string value;
            if (!ReadString(s, &i, &value)) return false;
            (*fields)[key] = value;
        } else if (!SkipValue(s, &i)) {
            return false;
        }
        SkipSpace(s, &i);
        if (i >= s.size()) return false;
        if (s[i] == '}') return true;
        if (s[i++] != ',') return false;
    }
}

std::string JsonString(const std::string& utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", c);
                out += escape;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

std::string JsonString(const std::wstring& text) { return JsonString(platform::WideToUtf8(text)); }
