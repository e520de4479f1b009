#include "cli/BatchText.h"

#include <algorithm>
#include <cstdio>

#include "app/UpgradeResult.h"
#include "cli/JsonLines.h"
#include "platform/Text.h"

namespace {

bool IsWide(uint32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

std::string Printf(const char* format, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

// Two decimals, a trailing zero dropped: 0.0, 0.1, 0.85.
std::string JsonFraction(double value) {
    if (!(value == value)) return "null";
    std::string text = Printf("%.2f", value);
    if (text.size() > 3 && text.back() == '0') text.pop_back();
    return text;
}

std::string JsonSeconds(double value) { return value == value ? Printf("%.1f", value) : "null"; }

const char* KindName(PackKind kind) {
    switch (kind) {
    case kPackSystem: return "system";
    case kPackTool: return "tool";
    default: return "app";
    }
}

// The row's `result`: the run's ending, or the state of a target whose
// delivery did not run.
std::string RowResultName(const TargetStatus& row) {
    switch (row.state) {
    case TargetState::NotStarted: return "not started";
    case TargetState::AlreadyDone: return "already done";
    case TargetState::Probed:
        if (row.result == UpgradeResult::Success) return "would deliver";
        break;
    case TargetState::Ran: break;
    }
    return UpgradeResultName(row.result);
}

std::string PadTo(const std::wstring& text, size_t width) {
    const size_t used = DisplayWidth(text);
    return platform::WideToUtf8(text) + std::string(used < width ? width - used : 0, ' ');
}

}  // namespace

size_t DisplayWidth(const std::wstring& text) {
    size_t width = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = static_cast<uint32_t>(text[i]);
        // A UTF-16 surrogate pair is one character.
        if (sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint32_t>(text[++i]) - 0xDC00);
        }
        width += IsWide(c) ? 2 : 1;
    }
    return width;
}

std::string FormatBytes(uint64_t bytes) {
    if (bytes < 1024) return std::to_string(bytes) + " B";
    const char* units[] = {"KiB", "MiB", "GiB"};
    double value = static_cast<double>(bytes) / 1024.0;
    int unit = 0;
    while (value >= 1024.0 && unit < 2) {
        value /= 1024.0;
        ++unit;
    }
    return Printf("%.1f ", value) + units[unit];
}

bool ShowsTransfer(const TargetStatus& row) { return row.bytesTotal >= 64 * 1024; }

std::string FormatLiveLine(const TargetStatus& row, size_t targetWidth) {
    const double fraction = row.steps.empty() ? 0.0 : row.steps.back().fraction;
    std::string line = PadTo(row.target, targetWidth) + "  " + Printf("%.2f", fraction) + "  ";
    if (ShowsTransfer(row)) {
        line += FormatBytes(row.bytesSent) + " / " + FormatBytes(row.bytesTotal);
        if (row.transferSeconds > 0.0)
            line += "  " + FormatBytes(static_cast<uint64_t>(row.bytesSent / row.transferSeconds)) + "/s";
    } else if (!row.steps.empty()) {
        line += platform::WideToUtf8(row.steps.back().text);
    } else {
        line += platform::WideToUtf8(row.finalText);  // a target that does not run
    }
    return line;
}

std::string FormatResultTable(const std::vector<TargetStatus>& rows) {
    size_t targetWidth = 16, resultWidth = 24;
    for (const TargetStatus& row : rows) {
        targetWidth = std::max(targetWidth, DisplayWidth(row.target) + 3);
        resultWidth = std::max(resultWidth, DisplayWidth(row.finalText) + 2);
    }
    std::string table = PadTo(L"target", targetWidth) + PadTo(L"result", resultWidth) + "seconds\n";
    for (const TargetStatus& row : rows) {
        std::string seconds = Printf("%.1f", row.seconds);
        if (seconds.size() < 7) seconds.insert(0, 7 - seconds.size(), ' ');
        table += PadTo(row.target, targetWidth) + PadTo(row.finalText, resultWidth) + seconds + "\n";
    }
    return table;
}

std::string FormatBatchJson(const BatchSummary& s) {
    std::string json = "{\n";
    json += "  \"model\": " + JsonString(s.modelName) + ", \"kind\": \"" + KindName(s.kind) +
            "\", \"pack\": " + JsonString(s.packName) + ",\n";
    json += std::string("  \"check\": {\"accepted\": ") + (s.outcome.checkAccepted ? "true" : "false") +
            ", \"text\": " + JsonString(s.outcome.checkText) + "},\n";
    const char* stop = WaveStopName(s.outcome.stopped);
    json += std::string("  \"dry_run\": ") + (s.dryRun ? "true" : "false") +
            ", \"stopped\": " + (stop ? "\"" + std::string(stop) + "\"" : std::string("null")) + ",\n";
    json += "  \"targets\": [";
    for (size_t i = 0; i < s.rows.size(); ++i) {
        const TargetStatus& row = s.rows[i];
        json += i ? ",\n" : "\n";
        json += "    {\"target\": " + JsonString(row.target) + ", \"name\": " + JsonString(row.name) +
                ", \"site\": " + JsonString(row.site) + ",\n";
        json += "     \"result\": \"" + RowResultName(row) + "\", \"text\": " + JsonString(row.finalText) +
                ", \"attempts\": " + std::to_string(row.attempts) + ",\n";
        json += "     \"seconds\": " + JsonSeconds(row.seconds) + ", \"steps\": [";
        for (size_t k = 0; k < row.steps.size(); ++k) {
            if (k) json += ", ";
            json += "[" + JsonFraction(row.steps[k].fraction) + ", " + JsonString(row.steps[k].text) + "]";
        }
        json += "]}";
    }
    json += s.rows.empty() ? "],\n" : "\n  ],\n";
    json += "  \"exit\": " + std::to_string(s.exitCode) + "\n}\n";
    return json;
}
