#pragma once
// `quillon upgrade`: resolves the targets (paths made absolute, `--usb`
// without a path becomes the model's disks), runs the batch with the live
// display, then prints the table or the JSON document. Returns the exit
// status.
#include "cli/CliOptions.h"
#include "cli/ConsoleOutput.h"

int RunUpgradeCommand(const CliOptions& options, ConsoleOutput& out, ConsoleOutput& err);
