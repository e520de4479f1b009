// The rollout's own decisions: the inventory's lines, which deliveries the
// waves start, which failures are retried, what the upgrade log counts as
// done, and the options that set them.
#include <gtest/gtest.h>

#include <set>

#include "app/RunTexts.h"
#include "app/UpgradeRecord.h"
#include "cli/CliOptions.h"
#include "cli/DoneLog.h"
#include "cli/Inventory.h"
#include "cli/RetryPolicy.h"
#include "cli/WaveGate.h"
#include "platform/Text.h"
#include "support/TempFolder.h"

TEST(Inventory, ReadsTargetsNamesAndSites) {
    const std::string text =
        "\xEF\xBB\xBF# substation North\r\n"
        "198.51.100.21, feeder 1 , North\r\n"
        "\r\n"
        "  # spare\n"
        "198.51.100.22,\"bay 2, \"\"east\"\"\",North\n"
        "/media/terminal,\xE9\xA6\x88\xE7\xBA\xBF\n"
        "198.51.100.23";
    const InventoryParse p = ParseInventoryText(text);
    ASSERT_TRUE(p.ok) << platform::WideToUtf8(p.error);
    ASSERT_EQ(p.entries.size(), 4u);
    EXPECT_EQ(p.entries[0].target, L"198.51.100.21");
    EXPECT_EQ(p.entries[0].name, L"feeder 1");
    EXPECT_EQ(p.entries[0].site, L"North");
    EXPECT_EQ(p.entries[0].line, 2u);
    EXPECT_TRUE(p.entries[0].isAddress);
    EXPECT_EQ(p.entries[1].name, L"bay 2, \"east\"");
    EXPECT_EQ(p.entries[1].line, 5u);
    EXPECT_EQ(p.entries[2].target, L"/media/terminal");
    EXPECT_FALSE(p.entries[2].isAddress);
    EXPECT_EQ(p.entries[2].name, L"馈线");
    EXPECT_EQ(p.entries[3].line, 7u);
}

TEST(Inventory, BadLinesAreNamed) {
    const struct {
        const char* text;
        size_t line;
    } cases[] = {
        {"198.51.100.21\n198.51.100.22,a,b,c\n", 2},
        {"# x\n\n,name\n", 3},
        {"198.51.100.21,\"open\n", 1},
        {"198.51.100.21,\"closed\" trailing\n", 1},
        {"ok\n\xC3(\n", 2},
    };
    for (const auto& c : cases) {
        const InventoryParse p = ParseInventoryText(c.text);
        EXPECT_FALSE(p.ok) << c.text;
        EXPECT_EQ(p.badLine, c.line) << c.text;
        EXPECT_EQ(p.error.rfind(L"line " + std::to_wstring(c.line) + L": ", 0), 0u) << platform::WideToUtf8(p.error);
    }
}

namespace {

// Drives a gate one delivery at a time (as --jobs 1): the indexes started
// and why it stopped.
std::vector<size_t> Roll(size_t targets, size_t canary, const std::wstring& maxFail, const std::set<size_t>& failing,
                         WaveStop* stop) {
    std::vector<size_t> order;
    for (size_t i = 0; i < targets; ++i) order.push_back(i);
    MaxFail budget;
    if (!maxFail.empty()) {
        EXPECT_TRUE(ParseMaxFail(maxFail, &budget));
    }
    WaveGate gate(order, canary, budget);
    std::vector<size_t> started;
    for (size_t i; gate.Next(&i);) {
        started.push_back(i);
        gate.Finished(i, failing.count(i) == 0);
    }
    *stop = gate.Stopped();
    std::vector<size_t> left = gate.NotStarted();
    EXPECT_EQ(started.size() + left.size(), targets);
    return started;
}

}  // namespace

TEST(WaveGate, CanaryAndFailureBudget) {
    const struct {
        size_t canary;
        const wchar_t* maxFail;
        std::set<size_t> failing;
        size_t started;
        WaveStop stop;
    } cases[] = {
        {0, L"", {1, 5}, 8, WaveStop::None},          // no rules: every target
        {2, L"", {1, 5}, 2, WaveStop::Canary},        // a canary failed: the rest never start
        {2, L"", {4, 5}, 8, WaveStop::None},          // canaries fine; no budget
        {0, L"25%", {2, 5}, 3, WaveStop::MaxFail},    // 1 of 3 finished failed: 33 % >= 25 %
        {0, L"25%", {5, 6}, 7, WaveStop::MaxFail},    // 1 of 6 (17 %), then 2 of 7 (29 %)
        {0, L"2", {1, 5}, 6, WaveStop::MaxFail},      // the second failure spends a count of 2
        {0, L"3", {1, 5}, 8, WaveStop::None},
        {2, L"50%", {2, 3}, 4, WaveStop::MaxFail},    // canaries fine, then 2 of 4 finished failed
        {0, L"0%", {}, 8, WaveStop::None},            // a zero budget needs a failure to stop
        {9, L"", {}, 8, WaveStop::None},              // a canary wave larger than the batch
    };
    for (const auto& c : cases) {
        WaveStop stop = WaveStop::None;
        const std::vector<size_t> started = Roll(8, c.canary, c.maxFail, c.failing, &stop);
        EXPECT_EQ(started.size(), c.started) << c.canary << " " << platform::WideToUtf8(c.maxFail);
        EXPECT_EQ(stop, c.stop) << c.canary << " " << platform::WideToUtf8(c.maxFail);
        for (size_t k = 0; k < started.size(); ++k) EXPECT_EQ(started[k], k);  // in the order given
    }
}

TEST(WaveGate, DeliveriesUnderWayFinishButNoNewOneStarts) {
    MaxFail budget;
    ASSERT_TRUE(ParseMaxFail(L"1", &budget));
    WaveGate gate({0, 1, 2, 3}, 0, budget);
    size_t a = 9, b = 9, c = 9;
    ASSERT_TRUE(gate.Next(&a));
    ASSERT_TRUE(gate.Next(&b));
    gate.Finished(a, false);
    EXPECT_FALSE(gate.Next(&c));
    gate.Finished(b, true);  // the one under way still reports
    EXPECT_EQ(gate.NotStarted(), (std::vector<size_t>{2, 3}));
    EXPECT_STREQ(WaveStopName(gate.Stopped()), "max-fail");
}

TEST(RolloutOptions, ValuesAndRefusals) {
    MaxFail m;
    EXPECT_TRUE(ParseMaxFail(L"25%", &m));
    EXPECT_TRUE(m.percent);
    EXPECT_EQ(m.value, 25u);
    EXPECT_TRUE(ParseMaxFail(L"3", &m));
    EXPECT_FALSE(m.percent);
    for (const wchar_t* bad : {L"", L"%", L"101%", L"-1", L"2.5%", L"x"}) EXPECT_FALSE(ParseMaxFail(bad, &m)) << bad;
    const struct {
        const wchar_t* text;
        uint64_t rate;
    } rates[] = {{L"500000", 500000}, {L"512K", 512 * 1024}, {L"2M", 2u << 20}, {L"1g", 1ull << 30}};
    for (const auto& r : rates) {
        uint64_t rate = 0;
        EXPECT_TRUE(ParseRate(r.text, &rate)) << r.text;
        EXPECT_EQ(rate, r.rate) << r.text;
    }
    uint64_t rate = 0;
    for (const wchar_t* bad : {L"", L"0", L"M", L"1.5M", L"2T", L"-5"}) EXPECT_FALSE(ParseRate(bad, &rate)) << bad;

    std::vector<std::wstring> args = {L"upgrade", L"--model", L"M3710", L"--kind", L"app", L"--pack", L"p.zip",
                                      L"--address", L"198.51.100.21", L"--canary", L"2", L"--max-fail", L"25%",
                                      L"--skip-done", L"--dry-run", L"--retries", L"3", L"--max-rate", L"2M"};
    CliParse p = ParseCommandLine(args, L"198.51.100.9");
    ASSERT_TRUE(p.ok) << platform::WideToUtf8(p.error);
    const RolloutOptions& o = p.options.rollout;
    EXPECT_EQ(o.canary, 2u);
    EXPECT_TRUE(o.maxFail.set && o.maxFail.percent && o.maxFail.value == 25);
    EXPECT_TRUE(o.skipDone && o.dryRun);
    EXPECT_EQ(o.retries, 3);
    EXPECT_EQ(o.maxRate, 2u << 20);
    EXPECT_EQ(p.options.labels.size(), 1u);
    for (std::vector<std::wstring> tail : {std::vector<std::wstring>{L"--canary", L"0"}, {L"--retries", L"x"},
                                           {L"--max-rate"}, {L"--targets"}, {L"--targets", L"no-such-file.csv"}}) {
        std::vector<std::wstring> wrong(args.begin(), args.begin() + 9);
        wrong.insert(wrong.end(), tail.begin(), tail.end());
        EXPECT_FALSE(ParseCommandLine(wrong, L"198.51.100.9").ok) << platform::WideToUtf8(tail[0]);
    }
}

TEST(RetryPolicy, OnlyConnectionFailuresWithinTheCount) {
    const RetryPolicy policy(2);
    RunOutcome connect;
    connect.result = UpgradeResult::Refused;
    connect.finalText = runtext::kConnectFailed;
    RunOutcome upload;
    upload.result = UpgradeResult::Failure;
    upload.finalText = runtext::kUploadFailed;
    EXPECT_TRUE(policy.ShouldRetry(connect, 1));
    EXPECT_TRUE(policy.ShouldRetry(connect, 2));
    EXPECT_FALSE(policy.ShouldRetry(connect, 3));
    EXPECT_FALSE(policy.ShouldRetry(upload, 1));
    EXPECT_FALSE(RetryPolicy(0).ShouldRetry(connect, 1));
    EXPECT_EQ(policy.PauseBefore(2), 1.0);
    EXPECT_EQ(policy.PauseBefore(3), 2.0);
    EXPECT_EQ(policy.PauseBefore(4), 4.0);
    EXPECT_EQ(policy.PauseBefore(20), 30.0);
}

// The latest record of each terminal decides, and only a terminal known by
// its address or its disk's identity can be done.
TEST(DoneLog, LatestRecordOfEachTerminalDecides) {
    const std::string kPack = "0cc175b9c0f1b6a831c399e269772661", kOther = "900150983cd24fb0d6963f7d28e17f72";
    struct Attempt {
        const wchar_t* target;  // an address (Ethernet) or a disk path (USB)
        const wchar_t* diskId;  // USB only
        UpgradeResult result;
        const char* resultName;
        std::string md5;
    };
    const UpgradeResult ok = UpgradeResult::Success, failed = UpgradeResult::Failure;
    const std::vector<Attempt> log = {
        {L"198.51.100.21", nullptr, ok, "", kPack},                  // done
        {L"198.51.100.22", nullptr, ok, "", kPack},                  // then failed: due again
        {L"198.51.100.22", nullptr, failed, "", kPack},
        {L"198.51.100.23", nullptr, ok, "", kPack},                  // then another pack: due again
        {L"198.51.100.23", nullptr, ok, "", kOther},
        {L"198.51.100.24", nullptr, failed, "", kPack},              // failed, then done
        {L"198.51.100.24", nullptr, ok, "", kPack},
        {L"198.51.100.25", nullptr, ok, "", kPack},                  // then left "not started"
        {L"198.51.100.25", nullptr, ok, "not started", kPack},
        {L"E:\\", L"usb 04CC:1213 5A6B7C", ok, "", kPack},          // done, by its identity
        {L"E:\\", L"", ok, "", kPack},                              // no identity: never done
        {L"E:\\", L"volume 1A2B-3C4D", ok, "", kPack},              // a new disk at the same path...
        {L"E:\\", L"volume 1A2B-3C4D", failed, "", kPack},          // ...that failed last
    };
    TempFolder folder;
    std::string text = "{\"result\":\"success\",\"pack_md5\":\n";  // a broken line is read past
    for (const Attempt& a : log) {
        UpgradeRecord r;
        r.connection = a.diskId ? kConnectionUsb : kConnectionEthernet;
        r.target = a.target;
        if (a.diskId) r.diskId = a.diskId;
        r.packMd5 = a.md5;
        r.result = a.result;
        r.resultName = a.resultName;
        text += FormatUpgradeRecord(r);
    }
    ASSERT_TRUE(WriteBytes(folder / L"upgrades.jsonl", text));
    const std::set<DoneKey> expected = {{"ethernet", L"198.51.100.21"},
                                        {"ethernet", L"198.51.100.24"},
                                        {"usb", L"usb 04CC:1213 5A6B7C"}};
    EXPECT_EQ(ReadDoneTargets(folder / L"upgrades.jsonl", kPack), expected);
    EXPECT_EQ(ReadDoneTargets(folder / L"upgrades.jsonl", kOther), (std::set<DoneKey>{{"ethernet", L"198.51.100.23"}}));
}
