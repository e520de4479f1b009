#pragma once
// The batch as text: a target's live line, the final table and the JSON
// document, exactly as the command line's documentation shows them.
// Portable and free of I/O; the texts come back as UTF-8.
#include <string>
#include <vector>

#include "cli/Batch.h"
#include "cli/StatusTable.h"

// Columns a text takes on a terminal: East Asian wide characters take two.
size_t DisplayWidth(const std::wstring& text);

// "12.0 MiB" (B, KiB, MiB or GiB, one decimal from KiB on).
std::string FormatBytes(uint64_t bytes);

// Whether the live line shows the row's transfer: files of 64 KiB and more
// (a flag file's two bytes are not worth a line).
bool ShowsTransfer(const TargetStatus& row);

// "198.51.100.21  0.10  成功连接终端." or, during a transfer,
// "198.51.100.21  0.60  12.0 MiB / 64.0 MiB  8.1 MiB/s".
std::string FormatLiveLine(const TargetStatus& row, size_t targetWidth);

// The header and one row per target: target, result text, seconds.
std::string FormatResultTable(const std::vector<TargetStatus>& rows);

struct BatchSummary {
    std::wstring modelName;  // as the operator chose it
    PackKind kind = kPackApplication;
    std::wstring packName;   // the pack's file name
    BatchOutcome outcome;
    bool dryRun = false;
    std::vector<TargetStatus> rows;
    int exitCode = 0;
};

// The --json document (ends in a line break).
std::string FormatBatchJson(const BatchSummary& summary);

