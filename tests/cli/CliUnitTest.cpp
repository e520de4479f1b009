// The command line's own decisions and texts: what it accepts, and the
// table, live lines and JSON exactly as the documentation shows them.
#include <gtest/gtest.h>

#include "app/LocalAddress.h"
#include "cli/BatchText.h"
#include "cli/CliOptions.h"
#include "cli/UsbTargets.h"
#include "platform/File.h"
#include "support/TempFolder.h"
#include "platform/Text.h"

#ifndef _WIN32
#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#endif

namespace {

CliParse Parse(std::vector<std::wstring> args, const std::wstring& local = L"198.51.100.9") {
    return ParseCommandLine(args, local);
}

std::vector<std::wstring> Upgrade(std::vector<std::wstring> targets) {
    std::vector<std::wstring> args = {L"upgrade", L"--model", L"M2450", L"--kind", L"system", L"--pack", L"p.zip"};
    args.insert(args.end(), targets.begin(), targets.end());
    return args;
}

TargetStatus Row(const std::wstring& target, const std::wstring& text, double seconds) {
    TargetStatus row;
    row.target = target;
    row.finalText = text;
    row.seconds = seconds;
    row.finished = true;
    return row;
}

}  // namespace

TEST(CliOptions, UpgradeReadsEveryOption) {
    CliParse p = Parse(Upgrade({L"--address", L"198.51.100.21", L"--jobs", L"7", L"--json", L"--address",
                                L"198.51.100.22"}));
    ASSERT_TRUE(p.ok) << platform::WideToUtf8(p.error);
    EXPECT_EQ(p.options.command, CliCommand::Upgrade);
    EXPECT_EQ(p.options.modelIndex, 1);
    EXPECT_EQ(p.options.kind, kPackSystem);
    EXPECT_EQ(p.options.connection, kConnectionEthernet);
    EXPECT_EQ(p.options.targets, (std::vector<std::wstring>{L"198.51.100.21", L"198.51.100.22"}));
    EXPECT_EQ(p.options.jobs, 7);
    EXPECT_TRUE(p.options.json);
    EXPECT_TRUE(p.options.trustedKeys.empty());
    CliParse trusting = Parse(Upgrade({L"--usb", L"--trusted-key", L"old.pub", L"--trusted-key", L"RWQ..."}));
    ASSERT_TRUE(trusting.ok) << platform::WideToUtf8(trusting.error);
    EXPECT_EQ(trusting.options.trustedKeys, (std::vector<std::wstring>{L"old.pub", L"RWQ..."}));
    EXPECT_FALSE(Parse(Upgrade({L"--usb", L"--trusted-key"})).ok);
}

TEST(CliOptions, UsbTakesAnOptionalPath) {
    CliParse p = Parse(Upgrade({L"--usb", L"E:\\", L"--usb", L"--jobs", L"2"}));
    ASSERT_TRUE(p.ok) << platform::WideToUtf8(p.error);
    EXPECT_EQ(p.options.connection, kConnectionUsb);
    EXPECT_EQ(p.options.targets, std::vector<std::wstring>{L"E:\\"});
    EXPECT_TRUE(p.options.discoverDisks);
    EXPECT_EQ(p.options.jobs, 2);
}

TEST(CliOptions, RefusedAddressesNameTheAddress) {
    for (const wchar_t* address : {L"127.0.0.1", L"0.1.2.3", L"224.0.0.5", L"198.51.100.0", L"198.51.100.255",
                                   L"198.51.100.9", L"198.51.100", L"198.51.100.300", L"a.b.c.d"}) {
        CliParse p = Parse(Upgrade({L"--address", address}));
        EXPECT_FALSE(p.ok) << platform::WideToUtf8(address);
        EXPECT_EQ(p.error, std::wstring(L"address ") + address + L" cannot be used for a terminal");
    }
}

TEST(CliOptions, UsageErrors) {
    const std::vector<std::vector<std::wstring>> wrong = {
        {},
        {L"frobnicate"},
        Upgrade({}),                                                       // no target
        Upgrade({L"--address", L"198.51.100.21", L"--usb", L"E:\\"}),     // mixed
        Upgrade({L"--address", L"198.51.100.21", L"--address", L"198.51.100.21"}),
        Upgrade({L"--address", L"198.51.100.21", L"--jobs", L"0"}),
        Upgrade({L"--address", L"198.51.100.21", L"--jobs"}),
        Upgrade({L"--address", L"198.51.100.21", L"--verbose"}),
        {L"upgrade", L"--model", L"M9999", L"--kind", L"app", L"--pack", L"p", L"--usb"},
        {L"upgrade", L"--model", L"M2410", L"--kind", L"firmware", L"--pack", L"p", L"--usb"},
        {L"upgrade", L"--model", L"M2410", L"--kind", L"app", L"--usb"},                       // no pack
        {L"upgrade", L"--model", L"M2410", L"--kind", L"app", L"--pack", L"p", L"--address", L"198.51.100.21"},
        {L"upgrade", L"--model", L"M3710", L"--kind", L"app", L"--pack", L"p", L"--usb"},
        {L"disks"},
        {L"--version", L"upgrade"},
    };
    for (const auto& args : wrong) {
        CliParse p = Parse(args);
        EXPECT_FALSE(p.ok) << (args.empty() ? "" : platform::WideToUtf8(args.back()));
        EXPECT_FALSE(p.error.empty());
    }
}

// Spellings of one disk, and two paths of one disk identity, are refused
// naming both; distinct folders pass.
TEST(UsbTargets, OneDiskUnderSeveralSpellingsIsGivenTwice) {
    TempFolder root;
    ASSERT_TRUE(platform::MakeDirectory(root / L"disk") && platform::MakeDirectory(root / L"other"));
    const std::wstring disk = root / L"disk";
    struct Case {
        std::wstring a, b;
        const wchar_t *idA, *idB;
        bool twice;
    };
    const std::vector<Case> cases = {
        {disk, disk + L"\\", L"", L"", true},
        {disk, root / L"other\\..\\disk", L"", L"", true},
        {disk, root / L".\\disk\\", L"", L"", true},
        {disk, root / L"other", L"", L"", false},
        {disk, root / L"other", L"usb 04CC:1213 5A6B7C", L"usb 04CC:1213 5A6B7C", true},
        {disk, root / L"other", L"volume 1A2B-3C4D", L"volume 5E6F-7A8B", false},
        {disk, root / L"other", L"", L"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(platform::WideToUtf8(c.b));
        UsbTarget a = ResolveUsbTarget(c.a, L"--usb A"), b = ResolveUsbTarget(c.b, L"inventory t.csv line 2");
        a.identity = c.idA;
        b.identity = c.idB;
        const std::wstring error = FindDiskGivenTwice({a, b});
        EXPECT_EQ(!error.empty(), c.twice);
        if (c.twice) {
            EXPECT_NE(error.find(L"--usb A"), std::wstring::npos);
            EXPECT_NE(error.find(L"inventory t.csv line 2"), std::wstring::npos);
        }
    }
}

TEST(CliOptions, OtherCommands) {
    EXPECT_EQ(Parse({L"--help"}).options.command, CliCommand::Help);
    EXPECT_EQ(Parse({L"--version"}).options.command, CliCommand::Version);
    CliParse disks = Parse({L"disks", L"--model", L"HTR940"});
    ASSERT_TRUE(disks.ok);
    EXPECT_EQ(disks.options.modelIndex, 5);
    CliParse pack = Parse({L"pack", L"info", L"x.zip"});
    ASSERT_TRUE(pack.ok);
    EXPECT_EQ(pack.options.packArgs, (std::vector<std::wstring>{L"info", L"x.zip"}));
}

TEST(BatchText, TableAlignsWideCharacters) {
    const std::string table = FormatResultTable(
        {Row(L"198.51.100.21", L"请重启设备完成升级！", 4.2), Row(L"198.51.100.24", L"终端连接失败.", 5.0)});
    EXPECT_EQ(table,
              "target          result                  seconds\n"
              "198.51.100.21   请重启设备完成升级！        4.2\n"
              "198.51.100.24   终端连接失败.               5.0\n");
}

TEST(BatchText, LiveLinesShowTheStepOrTheTransfer) {
    TargetStatus row;
    row.target = L"198.51.100.21";
    row.steps = {{0.0, L"正准备升级..."}, {0.1, L"成功连接终端."}};
    EXPECT_EQ(FormatLiveLine(row, 13), "198.51.100.21  0.10  成功连接终端.");
    row.bytesSent = 12ull << 20;
    row.bytesTotal = 64ull << 20;
    row.transferSeconds = 1.5;
    EXPECT_EQ(FormatLiveLine(row, 13), "198.51.100.21  0.10  12.0 MiB / 64.0 MiB  8.0 MiB/s");
    row.bytesSent = row.bytesTotal = 2;  // a flag file
    EXPECT_EQ(FormatLiveLine(row, 15), "198.51.100.21    0.10  成功连接终端.");
}

TEST(BatchText, JsonDocument) {
    BatchSummary s;
    s.modelName = L"M3710";
    s.packName = L"App\"Pack\".zip";
    s.outcome.checkAccepted = true;
    s.outcome.stopped = WaveStop::MaxFail;
    TargetStatus row = Row(L"198.51.100.21", L"终端连接失败.", 5.04);
    row.name = L"馈线 3";
    row.site = L"North";
    row.attempts = 2;
    row.result = UpgradeResult::Refused;
    row.steps = {{0.0, L"正准备升级..."}, {0.1, L"终端连接失败."}};
    TargetStatus waiting = Row(L"198.51.100.22", L"not started", 0.0);
    waiting.state = TargetState::NotStarted;
    s.rows = {row, waiting};
    s.exitCode = 1;
    EXPECT_EQ(FormatBatchJson(s),
              "{\n"
              "  \"model\": \"M3710\", \"kind\": \"app\", \"pack\": \"App\\\"Pack\\\".zip\",\n"
              "  \"check\": {\"accepted\": true, \"text\": \"\"},\n"
              "  \"dry_run\": false, \"stopped\": \"max-fail\",\n"
              "  \"targets\": [\n"
              "    {\"target\": \"198.51.100.21\", \"name\": \"馈线 3\", \"site\": \"North\",\n"
              "     \"result\": \"refused\", \"text\": \"终端连接失败.\", \"attempts\": 2,\n"
              "     \"seconds\": 5.0, \"steps\": [[0.0, \"正准备升级...\"], [0.1, \"终端连接失败.\"]]},\n"
              "    {\"target\": \"198.51.100.22\", \"name\": \"\", \"site\": \"\",\n"
              "     \"result\": \"not started\", \"text\": \"not started\", \"attempts\": 0,\n"
              "     \"seconds\": 0.0, \"steps\": []}\n"
              "  ],\n"
              "  \"exit\": 1\n"
              "}\n");
}

#ifndef _WIN32
// This PC's own addresses are every interface's, not the host name's first:
// a socket binds to each, and the address rule refuses each of them.
TEST(LocalAddress, EveryInterfaceAddressIsRefused) {
    const std::vector<std::wstring> local = GetLocalAddresses();
    EXPECT_NE(std::find(local.begin(), local.end(), L"127.0.0.1"), local.end());
    // The kernel's own list of configured interfaces (SIOCGIFCONF) holds none
    // that is missing.
    ifreq requests[64];
    ifconf conf{};
    conf.ifc_len = sizeof requests;
    conf.ifc_req = requests;
    const int probe = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_EQ(ioctl(probe, SIOCGIFCONF, &conf), 0);
    close(probe);
    for (int i = 0; i < conf.ifc_len / static_cast<int>(sizeof(ifreq)); ++i) {
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(&requests[i].ifr_addr)->sin_addr, text, sizeof text);
        EXPECT_NE(std::find(local.begin(), local.end(), platform::Utf8ToWide(text)), local.end())
            << requests[i].ifr_name << " " << text;
    }
    for (const std::wstring& address : local) {
        const std::string text = platform::WideToUtf8(address);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        ASSERT_EQ(inet_pton(AF_INET, text.c_str(), &a.sin_addr), 1) << text;
        const int s = socket(AF_INET, SOCK_DGRAM, 0);
        EXPECT_EQ(bind(s, reinterpret_cast<const sockaddr*>(&a), sizeof a), 0) << text;
        close(s);
        EXPECT_EQ(std::count(local.begin(), local.end(), address), 1) << text;
        EXPECT_FALSE(ParseCommandLine(Upgrade({L"--address", address}), local).ok) << text;
    }
    // Any one of several is refused; the others of the network stay usable.
    const std::vector<std::wstring> several = {L"198.51.100.9", L"198.51.100.10"};
    for (const std::wstring& address : several)
        EXPECT_EQ(ParseCommandLine(Upgrade({L"--address", address}), several).error,
                  L"address " + address + L" cannot be used for a terminal");
    EXPECT_TRUE(ParseCommandLine(Upgrade({L"--address", L"198.51.100.11"}), several).ok);
}
#endif
