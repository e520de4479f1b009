// quillon, native build: arguments arrive as UTF-8.
#include <string>
#include <vector>

#include "cli/QuillonCli.h"
#include "cli/ResourceReport.h"
#include "platform/Text.h"

int main(int argc, char** argv) {
    const ResourceReport resources;  // first made, last gone: counts the whole run
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) args.push_back(platform::Utf8ToWide(argv[i]));
    std::unique_ptr<ConsoleOutput> out = MakeStandardOutput();
    std::unique_ptr<ConsoleOutput> err = MakeStandardError();
    return RunQuillonCli(args, *out, *err);
}
