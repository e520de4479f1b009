#include "cli/ReportText.h"

#include <algorithm>
#include <vector>

#include "cli/BatchText.h"
#include "cli/JsonLines.h"
#include "cli/ReportTotals.h"
#include "platform/Text.h"

namespace {

std::string Padded(const std::wstring& text, size_t width) {
    return platform::WideToUtf8(text) + std::string(width - std::min(width, DisplayWidth(text)), ' ');
}

std::wstring Wide(const std::string& utf8) { return platform::Utf8ToWide(utf8); }

std::string CountsText(const ResultCounts& counts) {
    std::string text;
    for (const auto& [result, count] : counts)
        text += (text.empty() ? "" : ", ") + result + " " + std::to_string(count);
    return text;
}

std::string CountsJson(const ResultCounts& counts) {
    std::string json = "{";
    for (const auto& [result, count] : counts)
        json += (json.size() > 1 ? ", " : "") + JsonString(result) + ": " + std::to_string(count);
    return json + "}";
}

}  // namespace

std::string FormatReportTable(const Report& report) {
    const std::vector<std::wstring> headers = {L"target", L"name", L"site", L"result", L"attempts", L"time", L"pack"};
    std::vector<std::vector<std::wstring>> cells;
    for (const ReportRow& row : report.rows)
        cells.push_back({row.target, row.name, row.site, Wide(row.result), std::to_wstring(row.attempts),
                         Wide(row.time), Wide(row.packMd5.substr(0, 8))});
    std::vector<size_t> widths;
    for (const std::wstring& header : headers) widths.push_back(DisplayWidth(header));
    for (const auto& line : cells)
        for (size_t k = 0; k < line.size(); ++k) widths[k] = std::max(widths[k], DisplayWidth(line[k]));
    auto lineText = [&](const std::vector<std::wstring>& line, const std::wstring& last) {
        std::string text;
        for (size_t k = 0; k < line.size(); ++k) text += Padded(line[k], widths[k] + 2);
        text += platform::WideToUtf8(last);
        return text.erase(text.find_last_not_of(' ') + 1) + "\n";
    };
    std::string text = lineText(headers, L"text");
    for (size_t i = 0; i < cells.size(); ++i) text += lineText(cells[i], report.rows[i].text);

    text += "\ntotals: " + CountsText(CountResults(report.rows)) + "\n";
    for (const SiteTotals& site : CountSites(report.rows))
        text += "site " + (site.site.empty() ? std::string("(none)") : platform::WideToUtf8(site.site)) + ": " +
                CountsText(site.results) + "\n";
    const std::vector<TextCount> failures = RankFailures(report.rows);
    if (!failures.empty()) text += "failures:\n";
    for (const TextCount& failure : failures)
        text += "  " + std::to_string(failure.count) + "  " + platform::WideToUtf8(failure.text) + "\n";
    return text;
}

std::string FormatReportJson(const Report& report) {
    std::string json = "{\n  \"targets\": [";
    for (size_t i = 0; i < report.rows.size(); ++i) {
        const ReportRow& r = report.rows[i];
        json += i ? ",\n" : "\n";
        json += "    {\"target\": " + JsonString(r.target) + ", \"connection\": " + JsonString(r.connection) +
                ", \"name\": " + JsonString(r.name) + ", \"site\": " + JsonString(r.site) + ",\n";
        json += "     \"result\": " + JsonString(r.result) + ", \"text\": " + JsonString(r.text) +
                ", \"pack_md5\": " + JsonString(r.packMd5) + ", \"signer\": " + JsonString(r.signer) + ",\n";
        json += "     \"time\": " + JsonString(r.time) + ", \"attempts\": " + std::to_string(r.attempts) + "}";
    }
    json += report.rows.empty() ? "],\n" : "\n  ],\n";
    json += "  \"totals\": {\n    \"results\": " + CountsJson(CountResults(report.rows)) + ",\n    \"sites\": {";
    const std::vector<SiteTotals> sites = CountSites(report.rows);
    for (size_t i = 0; i < sites.size(); ++i)
        json += (i ? ", " : "") + JsonString(sites[i].site) + ": " + CountsJson(sites[i].results);
    json += "},\n    \"packs\": {";
    bool first = true;
    for (const auto& [md5, counts] : CountPacks(report.rows)) {
        json += (first ? "" : ", ") + JsonString(md5) + ": " + CountsJson(counts);
        first = false;
    }
    json += "},\n    \"failures\": [";
    const std::vector<TextCount> failures = RankFailures(report.rows);
    for (size_t i = 0; i < failures.size(); ++i)
        json += std::string(i ? ", " : "") + "{\"text\": " + JsonString(failures[i].text) +
                ", \"count\": " + std::to_string(failures[i].count) + "}";
    json += "]\n  },\n  \"warnings\": [";
    for (size_t i = 0; i < report.warnings.size(); ++i) json += (i ? ", " : "") + JsonString(report.warnings[i]);
    return json + "]\n}\n";
}
