#pragma once
// `quillon report`: reads the upgrade logs and the inventories, and writes
// the table (or the --json document) to standard output and the page to
// --html FILE. Warnings of broken log lines go to standard error. Exit 0,
// or 2 for an inventory, log or page that cannot be read or written.
#include "cli/ConsoleOutput.h"
#include "cli/ReportOptions.h"

int RunReportCommand(const ReportOptions& options, ConsoleOutput& out, ConsoleOutput& err);
