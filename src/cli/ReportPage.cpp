#include "cli/ReportPage.h"

#include <algorithm>
#include <array>
#include <map>

#include "cli/ReportTotals.h"
#include "platform/Text.h"

namespace {

const char kStyle[] =
    "body{font-family:\"Microsoft YaHei\",\"WenQuanYi Micro Hei\",\"Noto Sans CJK SC\",sans-serif;"
    "margin:24px;color:#222;background:#fff;font-size:14px}"
    "h1{font-size:22px;margin:0 0 4px}h2{font-size:18px;margin:24px 0 8px;border-bottom:1px solid #ccc}"
    "h3{font-size:15px;margin:16px 0 6px}.meta{color:#555;margin:0 0 12px}"
    "table{border-collapse:collapse;margin:4px 0}th,td{border:1px solid #bbb;padding:3px 8px;text-align:left;"
    "vertical-align:top;white-space:nowrap}td.text{white-space:normal}th{background:#eee}td.n{text-align:right}code{"
    "font-size:12px}"
    ".success{color:#1b5e20}.failure,.refused{color:#b71c1c;font-weight:bold}"
    ".never-tried,.not-started{color:#666}"
    "svg text{font-size:13px;fill:#222}svg text.in{fill:#fff}"
    "@media print{body{margin:0;font-size:11px}tr,svg{page-break-inside:avoid}"
    "*{-webkit-print-color-adjust:exact;print-color-adjust:exact}}";

// The three parts of a site's bar.
struct BarPart {
    const char* legend;
    const char* colour;
};
const BarPart kBarParts[] = {
    {"success", "#2e7d32"}, {"failure / refused", "#c62828"}, {"never tried / not started", "#9e9e9e"}};

int BarPartOf(const std::string& result) {
    if (result == "success") return 0;
    if (IsFailedResult(result)) return 1;
    return 2;
}

std::string Escaped(const std::string& utf8) {
    std::string out;
    for (char c : utf8) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string Escaped(const std::wstring& text) { return Escaped(platform::WideToUtf8(text)); }

std::string ClassOf(const std::string& result) {
    std::string name = result;
    std::replace(name.begin(), name.end(), ' ', '-');
    return name;
}

std::string SiteName(const std::wstring& site) { return site.empty() ? "（无站点）" : Escaped(site); }

std::string PackHeading(const std::string& md5, const std::wstring& name) {
    if (md5.empty() && name.empty()) return "<h2>升级包：无记录</h2>\n";
    return "<h2>升级包 " + Escaped(name) + "　<code>MD5 " + Escaped(md5.empty() ? "（未知）" : md5) + "</code></h2>\n";
}

// A bar per site, all on one scale, with the count of each part in it.
std::string SiteBars(const std::vector<SiteTotals>& sites) {
    const int labelWidth = 160, barWidth = 460, rowHeight = 30, top = 30;
    int most = 1;
    std::vector<std::array<int, 3>> parts;
    for (const SiteTotals& site : sites) {
        std::array<int, 3> p{0, 0, 0};
        for (const auto& [result, count] : site.results) p[BarPartOf(result)] += count;
        most = std::max(most, p[0] + p[1] + p[2]);
        parts.push_back(p);
    }
    const int height = top + rowHeight * static_cast<int>(sites.size());
    std::string svg = "<svg width=\"" + std::to_string(labelWidth + barWidth + 60) + "\" height=\"" +
                      std::to_string(height) + "\" role=\"img\" aria-label=\"各站点升级结果\">\n";
    int x = 0;
    for (const BarPart& part : kBarParts) {
        svg += "<rect x=\"" + std::to_string(x) + "\" y=\"4\" width=\"14\" height=\"14\" fill=\"" + part.colour +
               "\"/><text x=\"" + std::to_string(x + 20) + "\" y=\"16\">" + part.legend + "</text>\n";
        x += 40 + 8 * static_cast<int>(std::string(part.legend).size());
    }
    for (size_t i = 0; i < sites.size(); ++i) {
        const int y = top + rowHeight * static_cast<int>(i);
        svg += "<text x=\"0\" y=\"" + std::to_string(y + 17) + "\">" + SiteName(sites[i].site) + "</text>\n";
        int at = labelWidth, total = 0;
        for (int k = 0; k < 3; ++k) {
            const int count = parts[i][k];
            total += count;
            if (count == 0) continue;
            const int width = std::max(1, barWidth * count / most);
            svg += "<rect x=\"" + std::to_string(at) + "\" y=\"" + std::to_string(y + 2) + "\" width=\"" +
                   std::to_string(width) + "\" height=\"22\" fill=\"" + kBarParts[k].colour + "\"/>";
            if (width >= 24)
                svg += "<text class=\"in\" x=\"" + std::to_string(at + 6) + "\" y=\"" + std::to_string(y + 18) + "\">" +
                       std::to_string(count) + "</text>";
            svg += "\n";
            at += width;
        }
        svg += "<text x=\"" + std::to_string(at + 6) + "\" y=\"" + std::to_string(y + 18) + "\">" +
               std::to_string(total) + "</text>\n";
    }
    return svg + "</svg>\n";
}

std::string RowsTable(const std::vector<ReportRow>& rows) {
    std::string html =
        "<table>\n<tr><th>终端</th><th>名称</th><th>站点</th><th>结果</th><th>最后信息</th><th>升级包 MD5</th>"
        "<th>签名密钥</th><th>时间（UTC）</th><th>次数</th></tr>\n";
    for (const ReportRow& r : rows)
        html += "<tr><td>" + Escaped(r.target) + "</td><td>" + Escaped(r.name) + "</td><td>" + Escaped(r.site) +
                "</td><td class=\"" + ClassOf(r.result) + "\">" + Escaped(r.result) + "</td><td class=\"text\">" +
                Escaped(r.text) + "</td><td><code>" + Escaped(r.packMd5) + "</code></td><td>" + Escaped(r.signer) +
                "</td><td>" + Escaped(r.time) + "</td><td class=\"n\">" + std::to_string(r.attempts) + "</td></tr>\n";
    return html + "</table>\n";
}

}  // namespace

std::string FormatReportPage(const Report& report, const ReportPageInfo& info) {
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<title>终端升级报告</title>\n<style>" +
        std::string(kStyle) +
        "</style>\n</head>\n<body>\n"
        "<h1>终端升级报告</h1>\n<p class=\"meta\">生成时间（UTC）：" +
        Escaped(info.generated);
    if (!info.since.empty()) html += "　起始：" + Escaped(info.since);
    html += "<br>升级记录：";
    for (size_t i = 0; i < info.logs.size(); ++i)
        html += (i ? "、" : "") + ("<code>" + Escaped(info.logs[i]) + "</code>");
    html += "</p>\n<h2>汇总</h2>\n<table>\n<tr><th>结果</th><th>终端数</th></tr>\n";
    for (const auto& [result, count] : CountResults(report.rows))
        html += "<tr><td class=\"" + ClassOf(result) + "\">" + Escaped(result) + "</td><td class=\"n\">" +
                std::to_string(count) + "</td></tr>\n";
    html += "</table>\n";

    // Each pack's rows are together (ReportBuilder::Finish): a section each.
    for (size_t start = 0; start < report.rows.size();) {
        size_t end = start;
        while (end < report.rows.size() && report.rows[end].packMd5 == report.rows[start].packMd5) ++end;
        const std::vector<ReportRow> rows(report.rows.begin() + start, report.rows.begin() + end);
        html += PackHeading(rows[0].packMd5, rows[0].packName) + "<h3>各站点</h3>\n" + SiteBars(CountSites(rows));
        start = end;
    }

    html += "<h2>失败原因</h2>\n";
    const std::vector<TextCount> failures = RankFailures(report.rows);
    if (failures.empty())
        html += "<p>没有失败的终端。</p>\n";
    else
        html += "<table>\n<tr><th>终端数</th><th>信息</th></tr>\n";
    for (const TextCount& failure : failures)
        html += "<tr><td class=\"n\">" + std::to_string(failure.count) + "</td><td>" + Escaped(failure.text) +
                "</td></tr>\n";
    if (!failures.empty()) html += "</table>\n";

    html += "<h2>终端</h2>\n" + RowsTable(report.rows);
    if (!report.warnings.empty()) {
        html += "<h2>警告</h2>\n<ul>\n";
        for (const std::string& warning : report.warnings) html += "<li>" + Escaped(warning) + "</li>\n";
        html += "</ul>\n";
    }
    return html + "</body>\n</html>\n";
}
