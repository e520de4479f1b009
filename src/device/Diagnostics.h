#pragma once
// Disk discovery's diagnostic lines and where they go: a sink the caller
// chooses (the window: standard output; the command line: nowhere, its
// standard output is its own).
#include <functional>
#include <string>

// Takes one line, ending with '\n'. An empty sink drops the lines.
using DiagnosticSink = std::function<void(const std::wstring& line)>;

// The sink that writes to standard output.
void WriteDiagnosticLine(const std::wstring& line);
