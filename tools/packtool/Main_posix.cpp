// packtool, native build: arguments arrive as UTF-8.
#include <cstdio>
#include <string>
#include <vector>

#include "packtool/PackTool.h"
#include "platform/Text.h"

int main(int argc, char** argv) {
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) args.push_back(platform::Utf8ToWide(argv[i]));
    ToolOutput io;
    int code = RunPackTool(args, io);
    std::fwrite(io.out.data(), 1, io.out.size(), stdout);
    std::fwrite(io.err.data(), 1, io.err.size(), stderr);
    return code;
}
