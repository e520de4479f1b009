#include "cli/QuillonCli.h"

#include "packtool/PackTool.h"
#include "QuillonVersion.h"
#include "app/LocalAddress.h"
#include "cli/CliOptions.h"
#include "cli/ModelDisks.h"
#include "cli/ReportCommand.h"
#include "cli/UpgradeCommand.h"
#include "platform/Text.h"

namespace {

int ListDisks(const CliOptions& options, ConsoleOutput& out) {
    std::string text;
    for (const UsbDiskInfo& disk : FindModelDisks(options.modelIndex))
        text += platform::WideToUtf8(disk.volume.szDrivePath) + "  " + platform::WideToUtf8(disk.szSerial) + "\n";
    out.Write(text);
    return 0;
}

int RunPack(const CliOptions& options, ConsoleOutput& out, ConsoleOutput& err) {
    ToolOutput io;
    const int code = RunPackTool(options.packArgs, io);
    out.Write(io.out);
    err.Write(io.err);
    return code;
}

}  // namespace

int RunQuillonCli(const std::vector<std::wstring>& args, ConsoleOutput& out, ConsoleOutput& err) {
    // The local address only matters to the address rule of an upgrade.
    const bool upgrade = !args.empty() && args[0] == L"upgrade";
    const CliParse parse = ParseCommandLine(args, upgrade ? GetLocalAddresses() : std::vector<std::wstring>{});
    if (!parse.ok) {
        err.Write("quillon: " + platform::WideToUtf8(parse.error) + "\n" + "Try 'quillon --help'.\n");
        return 2;
    }
    switch (parse.options.command) {
    case CliCommand::Help:
        out.Write(platform::WideToUtf8(UsageText()));
        return 0;
    case CliCommand::Version:
        out.Write("quillon " + platform::WideToUtf8(QUILLON_VERSION_TEXT) + "\n");
        return 0;
    case CliCommand::Disks:
        return ListDisks(parse.options, out);
    case CliCommand::Pack:
        return RunPack(parse.options, out, err);
    case CliCommand::Report:
        return RunReportCommand(parse.options.report, out, err);
    case CliCommand::Upgrade:
        break;
    }
    return RunUpgradeCommand(parse.options, out, err);
}
