// packtool.exe: wide arguments; output as UTF-8 (the console is switched to
// code page 65001 so the Chinese messages show).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "packtool/PackTool.h"

int wmain(int argc, wchar_t** argv) {
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
    ToolOutput io;
    int code = RunPackTool(args, io);
    std::fwrite(io.out.data(), 1, io.out.size(), stdout);
    std::fwrite(io.err.data(), 1, io.err.size(), stderr);
    std::fflush(stdout);
    std::fflush(stderr);
    return code;
}
