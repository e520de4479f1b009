// quillon.exe: wide arguments; the console gets UTF-16, pipes and files UTF-8.
#include <string>
#include <vector>

#include "cli/QuillonCli.h"
#include "cli/ResourceReport.h"

int wmain(int argc, wchar_t** argv) {
    const ResourceReport resources;  // first made, last gone: counts the whole run
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
    std::unique_ptr<ConsoleOutput> out = MakeStandardOutput();
    std::unique_ptr<ConsoleOutput> err = MakeStandardError();
    return RunQuillonCli(args, *out, *err);
}
