#pragma once
// Standard output and standard error of the console program: whether they
// are a terminal (so lines can be redrawn with ANSI escapes) and writing
// UTF-8 text to them. Windows: a console gets the text through
// WriteConsoleW with virtual terminal processing switched on, anything
// else (a pipe, a file) the UTF-8 bytes. One implementation per platform.
#include <memory>
#include <string>

class ConsoleOutput {
public:
    virtual ~ConsoleOutput() = default;
    virtual bool IsTerminal() const = 0;
    virtual void Write(const std::string& utf8) = 0;
};

std::unique_ptr<ConsoleOutput> MakeStandardOutput();
std::unique_ptr<ConsoleOutput> MakeStandardError();
