#include "platform/Text.h"

namespace platform {

std::u16string WideToUtf16(const std::wstring& text) {
    std::u16string out;
    out.reserve(text.size());
    for (wchar_t wc : text) {
        auto c = static_cast<unsigned long>(wc);
        if (sizeof(wchar_t) == 4 && c > 0xFFFF && c <= 0x10FFFF) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c > 0x10FFFF ? 0xFFFD : c));
        }
    }
    return out;
}

std::wstring Utf16ToWide(const std::u16string& text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t u = text[i];
        if (sizeof(wchar_t) == 4 && u >= 0xD800 && u < 0xDC00 && i + 1 < text.size() &&
            text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            unsigned long c = 0x10000 + ((static_cast<unsigned long>(u) - 0xD800) << 10) +
                              (static_cast<unsigned long>(text[i + 1]) - 0xDC00);
            out.push_back(static_cast<wchar_t>(c));
            ++i;
        } else {
            out.push_back(static_cast<wchar_t>(u));
        }
    }
    return out;
}

std::string WideToUtf8(const std::wstring& text) {
    std::string out;
    std::u16string u = WideToUtf16(text);
    for (size_t i = 0; i < u.size(); ++i) {
        unsigned long c = u[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < u.size() && u[i + 1] >= 0xDC00 && u[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (u[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::wstring Utf8ToWide(const std::string& text) {
    std::u16string u;
    size_t i = 0;
    auto cont = [&](size_t k) { return k < text.size() && (static_cast<unsigned char>(text[k]) & 0xC0) == 0x80; };
    while (i < text.size()) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        unsigned long c = 0xFFFD;
        size_t n = 1;
        if (b < 0x80) {
            c = b;
        } else if ((b & 0xE0) == 0xC0 && cont(i + 1)) {
            c = ((b & 0x1Ful) << 6) | (text[i + 1] & 0x3F);
            n = 2;
        } else if ((b & 0xF0) == 0xE0 && cont(i + 1) && cont(i + 2)) {
            c = ((b & 0x0Ful) << 12) | ((text[i + 1] & 0x3Ful) << 6) | (text[i + 2] & 0x3F);
            n = 3;
        } else if ((b & 0xF8) == 0xF0 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
            c = ((b & 0x07ul) << 18) | ((text[i + 1] & 0x3Ful) << 12) | ((text[i + 2] & 0x3Ful) << 6) |
                (text[i + 3] & 0x3F);
            n = 4;
        }
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            u.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            u.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            u.push_back(static_cast<char16_t>(c > 0x10FFFF ? 0xFFFD : c));
        }
        i += n;
    }
    return Utf16ToWide(u);
}

int CompareUtf16(const std::wstring& a, const std::wstring& b) {
    if (sizeof(wchar_t) == 2) {
        int r = a.compare(b);  // wchar_t is unsigned 16-bit on Windows
        return r < 0 ? -1 : (r > 0 ? 1 : 0);
    }
    std::u16string ua = WideToUtf16(a), ub = WideToUtf16(b);
    int r = ua.compare(ub);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

}  // namespace platform
