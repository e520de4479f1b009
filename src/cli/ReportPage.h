#pragma once
// `quillon report --html`: one page that needs nothing else, with its CSS
// and the site bars (SVG) inline, no scripts and no links, readable offline
// and printable. Headings in Simplified Chinese; results as the log
// names them. UTF-8.
#include <string>
#include <vector>

#include "cli/ReportCore.h"

struct ReportPageInfo {
    std::string generated;           // UTC, as the log writes times
    std::vector<std::wstring> logs;  // the logs read
    std::string since;               // --since, or empty
};

// Pack by pack a bar per site (success / failure or refused / never tried
// or not started), then the failure texts ranked, every row, and the
// warnings.
std::string FormatReportPage(const Report& report, const ReportPageInfo& info);
