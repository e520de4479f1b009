#include "device/Diagnostics.h"

#include <cstdio>

#include "platform/Text.h"

void WriteDiagnosticLine(const std::wstring& line) {
#ifdef _WIN32
    std::fputws(line.c_str(), stdout);
#else
    // The native build's standard output is byte-oriented (the test
    // framework writes narrow text to it), so the line goes out as UTF-8.
    std::fputs(platform::WideToUtf8(line).c_str(), stdout);
#endif
    std::fflush(stdout);
}
