#include "cli/ReportCommand.h"

#include <algorithm>
#include <cstdio>

#include "app/UpgradeLog.h"
#include "cli/Inventory.h"
#include "cli/JsonLines.h"
#include "cli/ReportCore.h"
#include "cli/ReportPage.h"
#include "cli/ReportText.h"
#include "cli/UsbTargets.h"
#include "platform/Environment.h"
#include "platform/File.h"
#include "platform/FileCloser.h"
#include "platform/Text.h"

namespace {

int Fail(ConsoleOutput& err, const std::wstring& text) {
    err.Write("quillon: " + platform::WideToUtf8(text) + "\n");
    return 2;
}

// An inventory line as the records name its terminal.
ReportTerminal TerminalOf(const InventoryEntry& entry, const std::wstring& file) {
    ReportTerminal terminal;
    terminal.name = entry.name;
    terminal.site = entry.site;
    if (entry.isAddress) {
        terminal.connection = "ethernet";
        terminal.target = RecordedAddress(entry.target);
    } else {
        terminal.connection = "usb";
        terminal.target =
            IsDiskIdentityText(entry.target) ? entry.target : ResolveUsbTarget(entry.target, L"inventory " + file).path;
    }
    return terminal;
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    platform::FilePtr file(platform::OpenFile(path, "wb"));
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    return std::fclose(file.release()) == 0 && written;
}

}  // namespace

int RunReportCommand(const ReportOptions& options, ConsoleOutput& out, ConsoleOutput& err) {
    std::vector<ReportTerminal> inventory;
    for (const std::wstring& file : options.inventories) {
        const InventoryParse parse = LoadInventory(file);
        if (!parse.ok) return Fail(err, parse.error);
        for (const InventoryEntry& entry : parse.entries) inventory.push_back(TerminalOf(entry, file));
    }

    std::vector<std::wstring> logs = options.logs;
    const bool defaultLog = logs.empty();
    if (defaultLog) {
        logs.push_back(DefaultUpgradeLogPath());
        if (logs[0].empty()) return Fail(err, L"the user's state folder is unknown: name the upgrade log with --log");
    }
    ReportBuilder builder(inventory, options.since);
    std::vector<std::wstring> read;
    auto readLog = [&](const std::wstring& path) {
        if (std::find(read.begin(), read.end(), path) != read.end()) return true;
        read.push_back(path);
        size_t number = 0;
        const std::string name = platform::WideToUtf8(path);
        return ReadFileLines(
            path, [&](const std::string& line) { builder.AddLine(line, name + " line " + std::to_string(++number)); });
    };
    for (const std::wstring& log : logs) {
        // The part set aside before the log, when there is one, is older.
        const std::wstring rotated = RotatedUpgradeLogPath(log);
        if (platform::PathExists(rotated)) readLog(rotated);
        if (readLog(log)) continue;
        if (!defaultLog) return Fail(err, L"cannot read upgrade log " + log);
        err.Write("quillon: warning: no upgrade log at " + platform::WideToUtf8(log) + "\n");
    }
    const Report report = builder.Finish();
    for (const std::string& warning : report.warnings) err.Write("quillon: warning: " + warning + "\n");

    if (!options.htmlPath.empty()) {
        ReportPageInfo info;
        info.generated = platform::UtcTimeText();
        info.logs = read;
        info.since = options.since;
        if (!WriteWholeFile(options.htmlPath, FormatReportPage(report, info)))
            return Fail(err, L"cannot write " + options.htmlPath);
    }
    out.Write(options.json ? FormatReportJson(report) : FormatReportTable(report));
    return 0;
}
