#pragma once
// Disk discovery's diagnostic lines, written to standard output.
#include <string>

void WriteDiagnosticLine(const std::wstring& line);  // `line` ends with '\n'
