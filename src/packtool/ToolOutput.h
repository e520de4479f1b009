#pragma once
// Where the pack tool writes: UTF-8 text for standard output and standard
// error, collected so tests can read it.
#include <string>

struct ToolOutput {
    std::string out;
    std::string err;

    void Out(const std::wstring& line);
    void Err(const std::wstring& line);
};

enum ToolExit { kExitAccepted = 0, kExitRefused = 1, kExitUsage = 2 };
