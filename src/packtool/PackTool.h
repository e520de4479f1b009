#pragma once
// The pack tool's commands: make, check, info. Exit code 0 accepted,
// 1 refused, 2 usage or I/O error.
#include <string>
#include <vector>

#include "packtool/ToolOutput.h"

int RunPackTool(const std::vector<std::wstring>& args, ToolOutput& io);
