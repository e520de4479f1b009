#pragma once
// The options of `quillon report`. Portable; the files are read when the
// command runs.
#include <string>
#include <vector>

struct ReportOptions {
    std::vector<std::wstring> logs;         // `--log FILE`...; none: the log `quillon upgrade` writes
    std::vector<std::wstring> inventories;  // `--targets FILE`...
    bool json = false;                      // `--json`
    std::wstring htmlPath;                  // `--html FILE`, or empty
    std::string since;                      // `--since DATE`, as records write times, without a "Z"
};

// Reads `report`'s options from args[1] on; false with `*error` set on a
// usage error.
bool ParseReportOptions(const std::vector<std::wstring>& args, ReportOptions* options, std::wstring* error);

// "2026-12-08", "2026-12-08T18:00" or "2026-12-08T18:00:00", each with or
// without a "Z" (UTC, like the log): the text records are compared with,
// "Z" dropped. False for anything else.
bool ParseReportSince(const std::wstring& text, std::string* since);
