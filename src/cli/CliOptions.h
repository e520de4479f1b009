#pragma once
// The command line of `quillon`, read into a plan: which command, and for
// an upgrade the model, the kind, the pack, the targets and how many
// deliveries run at once, and how they roll out. Portable; the PC's own
// address comes in as text so that the address rule can be tested without
// a network. A `--targets` inventory is read while parsing, so a bad line
// is a usage error like any other.
#include <string>
#include <vector>

#include "app/DeviceModel.h"
#include "cli/ReportOptions.h"
#include "cli/DeliveryOrder.h"

// A target's name and site from an inventory (empty for `--address`).
struct TargetLabel {
    std::wstring name, site;
};

enum class CliCommand { Help, Version, Upgrade, Disks, Pack, Report };

// The order of an upgrade (model, kind, pack, targets, jobs, rollout), and
// what only the command line has.
struct CliOptions : DeliveryOrder {
    CliCommand command = CliCommand::Help;
    std::vector<TargetLabel> labels;  // one per target
    // Where each target was given, for messages: "--usb disk",
    // "inventory north.csv line 4".
    std::vector<std::wstring> origins;
    // `--usb` without a path: the model's disks, found at run time.
    bool discoverDisks = false;
    bool json = false;
    // `--trusted-key`: public keys (base64 lines, .pub files or trust
    // files), added to the site's trust file; with neither, packs need no
    // signature.
    std::vector<std::wstring> trustedKeys;
    // `pack`: the pack tool's own arguments.
    std::vector<std::wstring> packArgs;
    // `report`: its own options.
    ReportOptions report;
};

struct CliParse {
    bool ok = false;
    CliOptions options;
    std::wstring error;  // a usage error's text, without the "quillon: " prefix
};

// `args` without the program name. `localAddress` is this PC's address, which
// a terminal address must not be.
CliParse ParseCommandLine(const std::vector<std::wstring>& args, const std::wstring& localAddress);
// The same with every address of this PC (GetLocalAddresses).
CliParse ParseCommandLine(const std::vector<std::wstring>& args, const std::vector<std::wstring>& localAddresses);

// The text of `quillon --help`.
std::wstring UsageText();
