#include "platform/Text.h"

#include "platform/TextCp936UserArea.h"

#include <iconv.h>

#include <atomic>
#include <cerrno>
#include <string>

namespace platform {

namespace {
std::atomic<unsigned> g_codePage{936};

std::string IconvName(unsigned cp) {
    switch (cp) {
        case 936: return "GBK";
        case 65001: return "UTF-8";
        case 1252: return "CP1252";
        case 437: return "CP437";
        default: return "CP" + std::to_string(cp);
    }
}

// Converts with iconv; unconvertible input is replaced by `replacement`.
std::string Convert(const char* to, const char* from, const std::string& in, const std::string& replacement,
                    size_t inStep, bool* lossless) {
    if (lossless) *lossless = true;
    std::string out;
    if (in.empty()) return out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        if (lossless) *lossless = false;
        return out;
    }
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buf[4096];
    while (srcLeft > 0) {
        char* dst = buf;
        size_t dstLeft = sizeof buf;
        size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buf, static_cast<size_t>(dst - buf));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // Invalid or incomplete sequence: replace one unit and go on.
            if (lossless) *lossless = false;
            out += replacement;
            size_t skip = srcLeft < inStep ? srcLeft : inStep;
            src += skip;
            srcLeft -= skip;
        }
    }
    char* dst = buf;
    size_t dstLeft = sizeof buf;
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    out.append(buf, static_cast<size_t>(dst - buf));
    iconv_close(cd);
    return out;
}
}  // namespace

unsigned AnsiCodePage() { return g_codePage.load(); }
void SetAnsiCodePage(unsigned codePage) { g_codePage.store(codePage); }

namespace {

std::string WideToAnsiThroughIconv(const std::wstring& text, bool* lossless) {
    std::string utf8 = WideToUtf8(text);
    std::string name = IconvName(AnsiCodePage());
    bool ok = true;
    std::string whole = Convert(name.c_str(), "UTF-8", utf8, "?", 1, &ok);
    if (lossless) *lossless = ok;
    if (ok) return whole;
    // Some character has no ANSI form: convert character by character so
    // each one without a form becomes exactly one '?'.
    std::string out;
    size_t i = 0;
    while (i < utf8.size()) {
        unsigned char b = static_cast<unsigned char>(utf8[i]);
        size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : 4;
        bool one = true;
        std::string conv = Convert(name.c_str(), "UTF-8", utf8.substr(i, n), "", n, &one);
        out += one ? conv : std::string("?");
        i += n;
    }
    return out;
}

std::wstring AnsiToWideThroughIconv(const std::string& text) {
    bool ok = true;
    std::string utf8 = Convert("UTF-8", IconvName(AnsiCodePage()).c_str(), text, "\xEF\xBF\xBD", 1, &ok);
    return Utf8ToWide(utf8);
}

constexpr unsigned kGbk = 936;

bool IsGbkLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

}  // namespace

// Code page 936 goes through glibc's GBK, except for the cells Windows maps
// to private-use characters and glibc lacks.
std::string WideToAnsi(const std::wstring& text, bool* lossless) {
    if (AnsiCodePage() != kGbk) return WideToAnsiThroughIconv(text, lossless);
    if (lossless) *lossless = true;
    std::string out;
    std::wstring run;
    auto flush = [&] {
        bool ok = true;
        out += WideToAnsiThroughIconv(run, &ok);
        if (!ok && lossless) *lossless = false;
        run.clear();
    };
    std::string cell;
    for (wchar_t c : text) {
        cell.clear();
        if (!WideToCp936UserCell(c, &cell)) {
            run.push_back(c);
            continue;
        }
        flush();
        out += cell;
    }
    flush();
    return out;
}

std::wstring AnsiToWide(const std::string& text) {
    if (AnsiCodePage() != kGbk) return AnsiToWideThroughIconv(text);
    std::wstring out;
    std::string run;
    for (size_t i = 0; i < text.size();) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        if (!IsGbkLead(b) || i + 1 == text.size()) {
            run.push_back(text[i++]);
            continue;
        }
        // A lead byte and its trail stay together, so a run never splits a
        // character.
        wchar_t c = 0;
        if (Cp936UserCellToWide(b, static_cast<unsigned char>(text[i + 1]), &c)) {
            out += AnsiToWideThroughIconv(run);
            run.clear();
            out.push_back(c);
        } else {
            run.append(text, i, 2);
        }
        i += 2;
    }
    return out + AnsiToWideThroughIconv(run);
}

}  // namespace platform
