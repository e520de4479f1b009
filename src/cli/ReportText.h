#pragma once
// `quillon report` as text: the table with the totals under it, and the
// --json document. UTF-8, each ending in a line break.
#include <string>

#include "cli/ReportCore.h"

// One row per terminal and pack (target, name, site, result, attempts,
// time, the pack's MD5 cut to 8 digits, final text), then the totals per
// result and per site and the failure texts ranked.
std::string FormatReportTable(const Report& report);

// {"targets": [{"target", "connection", "name", "site", "result", "text",
//   "pack_md5", "signer", "time", "attempts"}...],
//  "totals": {"results": {...}, "sites": {"North": {...}}, "packs": {md5: {...}},
//             "failures": [{"text", "count"}...]},
//  "warnings": [...]}
std::string FormatReportJson(const Report& report);
