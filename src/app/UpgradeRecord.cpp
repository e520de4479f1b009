#include "app/UpgradeRecord.h"

#include <cmath>
#include <cstdio>

#include "platform/Text.h"

namespace {

void AppendUtf8(std::string* out, uint32_t c) {
    if (c < 0x80) {
        out->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (c >> 6)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (c >> 12)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (c >> 18)));
        out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void AppendEscaped(std::string* out, uint32_t c) {
    switch (c) {
        case '"': *out += "\\\""; return;
        case '\\': *out += "\\\\"; return;
        case '\b': *out += "\\b"; return;
        case '\f': *out += "\\f"; return;
        case '\n': *out += "\\n"; return;
        case '\r': *out += "\\r"; return;
        case '\t': *out += "\\t"; return;
        default: break;
    }
    // Other control characters, and the two line separators that some
    // readers of JSON lines take for line breaks.
    if (c < 0x20 || c == 0x7F || c == 0x2028 || c == 0x2029) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\u%04X", static_cast<unsigned>(c));
        *out += hex;
        return;
    }
    AppendUtf8(out, c);
}

// A JSON string of wide text: UTF-16 on Windows (surrogate pairs joined),
// UTF-32 natively; whatever is no Unicode scalar value becomes U+FFFD.
void AppendString(std::string* out, const std::wstring& text) {
    out->push_back('"');
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = static_cast<uint32_t>(text[i]);
        if (sizeof(wchar_t) == 2) {
            c &= 0xFFFF;
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
                uint32_t low = static_cast<uint32_t>(text[i + 1]) & 0xFFFF;
                if (low >= 0xDC00 && low < 0xE000) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        if ((c >= 0xD800 && c < 0xE000) || c > 0x10FFFF) c = 0xFFFD;
        AppendEscaped(out, c);
    }
    out->push_back('"');
}

// Narrow fields hold UTF-8 (in practice ASCII); invalid bytes become U+FFFD.
void AppendString(std::string* out, const std::string& utf8) { AppendString(out, platform::Utf8ToWide(utf8)); }

void AppendNumber(std::string* out, double value, const char* format) {
    if (!std::isfinite(value)) {
        *out += "null";
        return;
    }
    char text[64];
    // Fixed notation only where it stays short; "%.15g" is JSON too ("1e+20").
    std::snprintf(text, sizeof text, std::fabs(value) < 1e15 ? format : "%.15g", value);
    // Whatever the C locale's decimal mark, JSON's is the full stop.
    for (char* p = text; *p; ++p)
        if (*p == ',') *p = '.';
    *out += text;
}

template <typename Text>
void AppendField(std::string* out, const char* key, const Text& text) {
    *out += '"';
    *out += key;
    *out += "\":";
    AppendString(out, text);
    *out += ',';
}

}  // namespace

const char* UpgradeResultName(UpgradeResult result) {
    switch (result) {
        case UpgradeResult::Success: return "success";
        case UpgradeResult::Refused: return "refused";
        case UpgradeResult::Failure: break;
    }
    return "failure";
}

const char* ConnectionName(ConnectionMode mode) { return mode == kConnectionEthernet ? "ethernet" : "usb"; }

std::string FormatUpgradeRecord(const UpgradeRecord& r) {
    std::string out = "{";
    AppendField(&out, "time", r.utcTime);
    AppendField(&out, "version", r.toolVersion);
    AppendField(&out, "pc", r.pcName);
    AppendField(&out, "model", r.modelName);
    AppendField(&out, "variant", r.variantName);
    AppendField(&out, "connection", std::string(ConnectionName(r.connection)));
    AppendField(&out, "target", r.target);
    if (r.connection == kConnectionUsb) AppendField(&out, "disk_id", r.diskId);
    AppendField(&out, "pack_name", r.packName);
    out += "\"pack_size\":" + std::to_string(r.packSize) + ",";
    AppendField(&out, "pack_md5", r.packMd5);
    if (!r.signer.empty()) AppendField(&out, "signer", r.signer);
    if (!r.signer.empty() && !r.signerComment.empty()) AppendField(&out, "trusted_comment", r.signerComment);
    out += "\"steps\":[";
    for (size_t i = 0; i < r.steps.size(); ++i) {
        out += i ? ",{\"fraction\":" : "{\"fraction\":";
        AppendNumber(&out, r.steps[i].fraction, "%.15g");
        out += ",\"text\":";
        AppendString(&out, r.steps[i].text);
        out += '}';
    }
    out += "],";
    AppendField(&out, "result", r.resultName.empty() ? std::string(UpgradeResultName(r.result)) : r.resultName);
    AppendField(&out, "final_text", r.finalText);
    out += "\"seconds\":";
    AppendNumber(&out, r.seconds, "%.3f");
    out += "}\n";
    return out;
}
