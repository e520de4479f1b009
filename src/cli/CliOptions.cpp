#include "cli/CliOptions.h"

#include <algorithm>

#include "app/AddressRule.h"
#include "cli/Inventory.h"
#include "signature/SiteTrust.h"

namespace {

bool ParseDecimal(const std::wstring& text, long max, long* value) {
    if (text.empty() || text.size() > 9) return false;
    long v = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        v = v * 10 + (c - L'0');
    }
    if (v > max) return false;
    *value = v;
    return true;
}

// Four decimal octets separated by dots, nothing else.
bool ParseAddress(const std::wstring& text, AddressOctets* octets) {
    size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        size_t dot = text.find(L'.', start);
        if ((i < 3) != (dot != std::wstring::npos)) return false;
        std::wstring part = text.substr(start, i < 3 ? dot - start : std::wstring::npos);
        long value = 0;
        if (part.size() > 3 || !ParseDecimal(part, 255, &value)) return false;
        (*octets)[i] = static_cast<uint8_t>(value);
        start = dot + 1;
    }
    return true;
}

bool ParseKind(const std::wstring& text, PackKind* kind) {
    if (text == L"app") *kind = kPackApplication;
    else if (text == L"system") *kind = kPackSystem;
    else if (text == L"tool") *kind = kPackTool;
    else return false;
    return true;
}

CliParse Refuse(const std::wstring& error) {
    CliParse parse;
    parse.error = error;
    return parse;
}

CliParse ParseUpgrade(const std::vector<std::wstring>& args, const std::vector<std::wstring>& localAddresses) {
    CliParse parse;
    CliOptions& o = parse.options;
    o.command = CliCommand::Upgrade;
    bool haveKind = false, haveAddress = false, haveUsb = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::wstring& a = args[i];
        const bool hasValue = i + 1 < args.size();
        auto value = [&]() -> const std::wstring& { return args[++i]; };
        std::wstring rolloutError;
        const RolloutParse rollout = ParseRolloutOption(args, &i, &o.rollout, &rolloutError);
        if (rollout == RolloutParse::Refused) return Refuse(rolloutError);
        if (rollout == RolloutParse::Taken) continue;
        if (a == L"--targets") {
            if (!hasValue) return Refuse(a + L" needs a value");
            const std::wstring& file = value();
            const InventoryParse inventory = LoadInventory(file);
            if (!inventory.ok) return Refuse(inventory.error);
            o.labels.resize(o.targets.size());
            for (const InventoryEntry& entry : inventory.entries) {
                std::wstring target = entry.target;
                if (entry.isAddress) {
                    AddressOctets octets{};
                    if (!ParseAddress(target, &octets) || !IsUsableTerminalAddress(octets, localAddresses))
                        return Refuse(L"inventory " + file + L" line " + std::to_wstring(entry.line) + L": address " +
                                      target + L" cannot be used for a terminal");
                    target = FormatAddress(octets);
                    haveAddress = true;
                } else {
                    haveUsb = true;
                }
                o.targets.push_back(target);
                o.labels.push_back({entry.name, entry.site});
                o.origins.push_back(L"inventory " + file + L" line " + std::to_wstring(entry.line));
            }
        } else if (a == L"--json") {
            o.json = true;
        } else if (a == L"--usb") {
            haveUsb = true;
            if (hasValue && args[i + 1].compare(0, 2, L"--") != 0) {
                o.targets.push_back(value());
                o.origins.push_back(L"--usb " + o.targets.back());
            } else
                o.discoverDisks = true;
        } else if (a == L"--trusted-key") {
            if (!hasValue) return Refuse(a + L" needs a value");
            o.trustedKeys.push_back(value());
        } else if (a == L"--model" || a == L"--kind" || a == L"--pack" || a == L"--address" || a == L"--jobs") {
            if (!hasValue) return Refuse(a + L" needs a value");
            const std::wstring& v = value();
            if (a == L"--model") {
                o.modelIndex = ModelIndexByName(v);
                if (o.modelIndex < 0) return Refuse(L"unknown model " + v);
                o.modelName = kDeviceModels[o.modelIndex].name;
            } else if (a == L"--kind") {
                if (!ParseKind(v, &o.kind)) return Refuse(L"unknown pack kind " + v + L" (app, system or tool)");
                haveKind = true;
            } else if (a == L"--pack") {
                o.packPath = v;
            } else if (a == L"--jobs") {
                long jobs = 0;
                if (!ParseDecimal(v, 1000, &jobs) || jobs < 1) return Refuse(L"--jobs needs a number of at least 1");
                o.jobs = static_cast<int>(jobs);
            } else {
                AddressOctets octets{};
                if (!ParseAddress(v, &octets) || !IsUsableTerminalAddress(octets, localAddresses))
                    return Refuse(L"address " + v + L" cannot be used for a terminal");
                haveAddress = true;
                o.targets.push_back(FormatAddress(octets));
                o.origins.push_back(L"--address " + v);
            }
        } else {
            return Refuse(L"unknown option " + a);
        }
    }
    if (o.modelIndex < 0) return Refuse(L"upgrade needs --model");
    if (!haveKind) return Refuse(L"upgrade needs --kind");
    if (o.packPath.empty()) return Refuse(L"upgrade needs --pack");
    if (haveAddress && haveUsb) return Refuse(L"Ethernet and USB targets cannot be mixed");
    if (!haveAddress && !haveUsb) return Refuse(L"upgrade needs --address, --usb or --targets");
    o.labels.resize(o.targets.size());
    o.origins.resize(o.targets.size());
    o.connection = haveAddress ? kConnectionEthernet : kConnectionUsb;
    const DeviceModel& model = kDeviceModels[o.modelIndex];
    if (haveAddress && !model.HasEthernet()) return Refuse(o.modelName + L" has no Ethernet connection");
    if (haveUsb && !model.HasUsb()) return Refuse(o.modelName + L" has no USB connection");
    // Addresses are compared as formatted; USB paths once they are
    // resolved, when the command runs.
    for (size_t i = 0; i < o.targets.size(); ++i)
        for (size_t k = 0; k < i; ++k)
            if (o.targets[k] == o.targets[i])
                return Refuse(L"target " + o.targets[i] + L" is given twice (" + o.origins[k] + L", " + o.origins[i] +
                              L")");
    parse.ok = true;
    return parse;
}

CliParse ParseDisks(const std::vector<std::wstring>& args) {
    CliParse parse;
    parse.options.command = CliCommand::Disks;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] != L"--model") return Refuse(L"unknown option " + args[i]);
        if (i + 1 >= args.size()) return Refuse(L"--model needs a value");
        const std::wstring& name = args[++i];
        parse.options.modelIndex = ModelIndexByName(name);
        if (parse.options.modelIndex < 0) return Refuse(L"unknown model " + name);
        parse.options.modelName = kDeviceModels[parse.options.modelIndex].name;
    }
    if (parse.options.modelIndex < 0) return Refuse(L"disks needs --model");
    parse.ok = true;
    return parse;
}

}  // namespace

CliParse ParseCommandLine(const std::vector<std::wstring>& args, const std::wstring& localAddress) {
    return ParseCommandLine(args, std::vector<std::wstring>{localAddress});
}

CliParse ParseCommandLine(const std::vector<std::wstring>& args, const std::vector<std::wstring>& localAddresses) {
    if (args.empty()) return Refuse(L"no command (upgrade, disks, pack, report, --help or --version)");
    const std::wstring& command = args[0];
    if (command == L"--help" || command == L"-h" || command == L"help") {
        CliParse parse;
        parse.ok = true;
        parse.options.command = CliCommand::Help;
        return parse;
    }
    if (command == L"--version") {
        if (args.size() > 1) return Refuse(L"--version takes nothing after it");
        CliParse parse;
        parse.ok = true;
        parse.options.command = CliCommand::Version;
        return parse;
    }
    // `quillon upgrade --help` (and of disks and report) answers with the usage.
    const bool asksHelp = std::find(args.begin() + 1, args.end(), L"--help") != args.end() ||
                          std::find(args.begin() + 1, args.end(), L"-h") != args.end();
    if ((command == L"upgrade" || command == L"disks" || command == L"report") && asksHelp) {
        CliParse parse;
        parse.ok = true;
        parse.options.command = CliCommand::Help;
        return parse;
    }
    if (command == L"upgrade") return ParseUpgrade(args, localAddresses);
    if (command == L"disks") return ParseDisks(args);
    if (command == L"report") {
        CliParse parse;
        parse.options.command = CliCommand::Report;
        parse.ok = ParseReportOptions(args, &parse.options.report, &parse.error);
        return parse;
    }
    if (command == L"pack") {
        CliParse parse;
        parse.ok = true;
        parse.options.command = CliCommand::Pack;
        parse.options.packArgs.assign(args.begin() + 1, args.end());
        return parse;
    }
    return Refuse(L"unknown command " + command);
}

std::wstring UsageText() {
    return L"usage:\n"
           L"  quillon upgrade --model MODEL --kind app|system|tool --pack FILE\n"
           L"                  (--address ADDRESS)... | (--usb [PATH])...\n"
           L"                  [--targets FILE]... [--jobs N] [--json] [--trusted-key KEY]...\n"
           L"                  [--canary N] [--max-fail PERCENT%|COUNT] [--skip-done]\n"
           L"                  [--dry-run] [--retries N] [--max-rate RATE]\n"
           L"  quillon disks --model MODEL\n"
           L"  quillon pack make|check|info|sign|keygen ...\n"
           L"  quillon report [--log FILE]... [--targets FILE]... [--json] [--html FILE]\n"
           L"                 [--since DATE]\n"
           L"  quillon --help\n"
           L"  quillon --version\n"
           L"\n"
           L"MODEL: M2410 M2450 M3710 M3750 VK1200 HTR940 M2480\n"
           L"Rollouts: --targets FILE reads a CSV inventory (address or USB path, name,\n"
           L"site); --canary N delivers to the first N targets alone, then the rest;\n"
           L"--max-fail 25% (or a count) starts no new delivery once that share of the\n"
           L"finished ones failed; --skip-done leaves out targets the upgrade log holds\n"
           L"as done with this pack; --dry-run connects and logs in, writing nothing;\n"
           L"--retries N retries deliveries that failed to connect; --max-rate RATE\n"
           L"(500000, 512K, 2M bytes per second) limits each upload.\n"
           L"report: every terminal's latest result in the upgrade log, per pack.\n"
           L"Signed packs: the site's trust file is read from\n" + SiteTrustFilesText() + L".\n"
           L"Where it exists, every pack must carry PACK.minisig signed by one of its\n"
           L"keys, and a file that yields no valid key refuses every pack. --trusted-key\n"
           L"KEY (a key's base64 line, a .pub file or a trust file) adds keys, and without\n"
           L"a site file requires a signature by one of them.\n"
           L"Exit status: 0 every target succeeded, 1 a target failed,\n"
           L"2 a usage error or a refused pack (nothing delivered).\n";
}
