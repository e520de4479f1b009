#pragma once
// The console program's commands over the run core, for both platforms:
// `args` without the program name; output through the two streams; the
// exit status comes back.
#include <string>
#include <vector>

#include "cli/ConsoleOutput.h"

int RunQuillonCli(const std::vector<std::wstring>& args, ConsoleOutput& out, ConsoleOutput& err);
