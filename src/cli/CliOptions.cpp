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

// What the upgrade's options have given so far.
struct UpgradeSeen {
    bool kind = false, address = false, usb = false;
};

// The targets of an inventory (`--targets FILE`): addresses pass the same
// rule as --address, anything else is a USB path. Empty, or the error.
std::wstring AddInventory(const std::wstring& file, const std::vector<std::wstring>& localAddresses, CliOptions* o,
                          UpgradeSeen* seen) {
    const InventoryParse inventory = LoadInventory(file);
    if (!inventory.ok) return inventory.error;
    o->labels.resize(o->targets.size());
    for (const InventoryEntry& entry : inventory.entries) {
        const std::wstring origin = L"inventory " + file + L" line " + std::to_wstring(entry.line);
        std::wstring target = entry.target;
        if (entry.isAddress) {
            AddressOctets octets{};
            if (!ParseAddress(target, &octets) || !IsUsableTerminalAddress(octets, localAddresses))
                return origin + L": address " + target + L" cannot be used for a terminal";
            target = FormatAddress(octets);
            seen->address = true;
        } else {
            seen->usb = true;
        }
        o->targets.push_back(target);
        o->labels.push_back({entry.name, entry.site});
        o->origins.push_back(origin);
    }
    return std::wstring();
}

// One of the options that take a value: --model, --kind, --pack, --address,
// --jobs. Empty, or the error.
std::wstring TakeValueOption(const std::wstring& option, const std::wstring& v,
                             const std::vector<std::wstring>& localAddresses, CliOptions* o, UpgradeSeen* seen) {
    if (option == L"--model") {
        o->modelIndex = ModelIndexByName(v);
        if (o->modelIndex < 0) return L"unknown model " + v;
        o->modelName = kDeviceModels[o->modelIndex].name;
    } else if (option == L"--kind") {
        if (!ParseKind(v, &o->kind)) return L"unknown pack kind " + v + L" (app, system or tool)";
        seen->kind = true;
    } else if (option == L"--pack") {
        o->packPath = v;
    } else if (option == L"--jobs") {
        long jobs = 0;
        if (!ParseDecimal(v, 1000, &jobs) || jobs < 1) return L"--jobs needs a number of at least 1";
        o->jobs = static_cast<int>(jobs);
    } else {
        AddressOctets octets{};
        if (!ParseAddress(v, &octets) || !IsUsableTerminalAddress(octets, localAddresses))
            return L"address " + v + L" cannot be used for a terminal";
        seen->address = true;
        o->targets.push_back(FormatAddress(octets));
        o->origins.push_back(L"--address " + v);
    }
    return std::wstring();
}

// The rules over the whole command once every option is read. Empty, or the error.
std::wstring CheckUpgradeOptions(CliOptions* o, const UpgradeSeen& seen) {
    if (o->modelIndex < 0) return L"upgrade needs --model";
    if (!seen.kind) return L"upgrade needs --kind";
    if (o->packPath.empty()) return L"upgrade needs --pack";
    if (seen.address && seen.usb) return L"Ethernet and USB targets cannot be mixed";
    if (!seen.address && !seen.usb) return L"upgrade needs --address, --usb or --targets";
    o->labels.resize(o->targets.size());
    o->origins.resize(o->targets.size());
    o->connection = seen.address ? kConnectionEthernet : kConnectionUsb;
    const DeviceModel& model = kDeviceModels[o->modelIndex];
    if (seen.address && !model.HasEthernet()) return o->modelName + L" has no Ethernet connection";
    if (seen.usb && !model.HasUsb()) return o->modelName + L" has no USB connection";
    // Addresses are compared as formatted; USB paths once they are
    // resolved, when the command runs.
    for (size_t i = 0; i < o->targets.size(); ++i)
        for (size_t k = 0; k < i; ++k)
            if (o->targets[k] == o->targets[i])
                return L"target " + o->targets[i] + L" is given twice (" + o->origins[k] + L", " + o->origins[i] + L")";
    return std::wstring();
}

CliParse ParseUpgrade(const std::vector<std::wstring>& args, const std::vector<std::wstring>& localAddresses) {
    CliParse parse;
    CliOptions& o = parse.options;
    o.command = CliCommand::Upgrade;
    UpgradeSeen seen;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::wstring& a = args[i];
        const bool hasValue = i + 1 < args.size();
        std::wstring error;
        const RolloutParse rollout = ParseRolloutOption(args, &i, &o.rollout, &error);
        if (rollout == RolloutParse::Refused) return Refuse(error);
        if (rollout == RolloutParse::Taken) continue;
        if (a == L"--json") {
            o.json = true;
        } else if (a == L"--usb") {
            seen.usb = true;
            if (hasValue && args[i + 1].compare(0, 2, L"--") != 0) {
                o.targets.push_back(args[++i]);
                o.origins.push_back(L"--usb " + o.targets.back());
            } else {
                o.discoverDisks = true;
            }
        } else if (a == L"--targets" || a == L"--trusted-key" || a == L"--model" || a == L"--kind" ||
                   a == L"--pack" || a == L"--address" || a == L"--jobs") {
            if (!hasValue) return Refuse(a + L" needs a value");
            const std::wstring& v = args[++i];
            if (a == L"--targets")
                error = AddInventory(v, localAddresses, &o, &seen);
            else if (a == L"--trusted-key")
                o.trustedKeys.push_back(v);
            else
                error = TakeValueOption(a, v, localAddresses, &o, &seen);
            if (!error.empty()) return Refuse(error);
        } else {
            return Refuse(L"unknown option " + a);
        }
    }
    const std::wstring error = CheckUpgradeOptions(&o, seen);
    if (!error.empty()) return Refuse(error);
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
