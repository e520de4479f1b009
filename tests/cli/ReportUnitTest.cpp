// The report core over log lines: which record stands for a terminal, the
// inventory's terminals without one, lines that are no records, packs kept
// apart; and the totals drawn from the rows.
#include <gtest/gtest.h>

#include "cli/ReportCore.h"
#include "cli/ReportOptions.h"
#include "cli/ReportTotals.h"
#include "platform/Text.h"

namespace {

const char kA[] = "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa";
const char kB[] = "bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb";

// A record line as FormatUpgradeRecord writes it, with the fields the report reads.
std::string Record(const std::string& time, const std::string& target, const std::string& md5,
                   const std::string& result, const std::string& text = "", const std::string& diskId = "-") {
    const bool usb = diskId != "-";
    return "{\"time\":\"" + time +
           "\",\"version\":\"V1.0.0.0\",\"pc\":\"PC\",\"model\":\"M3710\",\"variant\":\"\","
           "\"connection\":\"" +
           (usb ? "usb" : "ethernet") + "\",\"target\":\"" + target + "\"," +
           (usb ? "\"disk_id\":\"" + diskId + "\"," : "") +
           "\"pack_name\":\"AppUpgradePack.zip\",\"pack_size\":3,"
           "\"pack_md5\":\"" +
           md5 + "\",\"steps\":[{\"fraction\":0,\"text\":\"正准备升级...\"}],\"result\":\"" + result +
           "\",\"final_text\":\"" + text + "\",\"seconds\":1.5}";
}

// "target result md5-initial attempts", one per row.
std::vector<std::string> Rows(const Report& report) {
    std::vector<std::string> rows;
    for (const ReportRow& r : report.rows)
        rows.push_back(platform::WideToUtf8(r.target) + " " + r.result + " " + r.packMd5.substr(0, 1) + " " +
                       std::to_string(r.attempts));
    return rows;
}

struct ReportCase {
    const char* name;
    std::vector<std::string> lines;
    std::vector<ReportTerminal> inventory;
    std::string since;
    std::vector<std::string> rows;
    std::vector<std::string> warnings;
};

}  // namespace

TEST(ReportCore, EachTerminalsLatestRecordPerPack) {
    const ReportTerminal north{"ethernet", L"198.51.100.21", L"feeder 1", L"North"};
    const ReportTerminal south{"ethernet", L"198.51.100.22", L"feeder 2", L"South"};
    const ReportCase cases[] = {
        {"latest wins, by its start time even when read first (logs of two PCs)",
         {Record("2026-12-08T10:00:00Z", "198.51.100.21", kA, "success"),
          Record("2026-12-08T09:00:00Z", "198.51.100.21", kA, "failure", "终端连接失败."),
          Record("2026-12-08T11:00:00Z", "198.51.100.22", kA, "failure", "终端连接失败."),
          Record("2026-12-08T11:00:00Z", "198.51.100.22", kA, "refused", "升级失败，升级包被损坏.")},
         {},
         "",
         {"198.51.100.21 success a 2", "198.51.100.22 refused a 2"},
         {}},
        {"never tried: the inventory's terminals without a record, in its order, then the log's others",
         {Record("2026-12-08T10:00:00Z", "198.51.100.30", kA, "success"),
          Record("2026-12-08T10:00:00Z", "198.51.100.21", kA, "success")},
         {south, north},
         "",
         {"198.51.100.22 never tried a 0", "198.51.100.21 success a 1", "198.51.100.30 success a 1"},
         {}},
        {"no record at all: every inventory terminal never tried",
         {},
         {north},
         "",
         {"198.51.100.21 never tried  0"},
         {}},
        {"broken lines are read past, each named",
         {Record("2026-12-08T10:00:00Z", "198.51.100.21", kA, "failure"), "{\"time\":\"2026-12-08T11:00:00Z\",\"conne",
          "", "not json", "{\"time\":\"2026-12-08T12:00:00Z\",\"connection\":\"ethernet\",\"result\":\"success\"}",
          Record("2026-12-08T13:00:00Z", "198.51.100.21", kA, "success")},
         {},
         "",
         {"198.51.100.21 success a 2"},
         {"log line 2: not a JSON record, read past", "log line 4: not a JSON record, read past",
          "log line 5: no upgrade record (connection, target and result), read past"}},
        {"two packs never replace each other; the newest pack first, its never-tried too",
         {Record("2026-12-08T10:00:00Z", "198.51.100.21", kA, "success"),
          Record("2026-12-09T10:00:00Z", "198.51.100.21", kB, "failure", "拷贝升级包失败.")},
         {north, south},
         "",
         {"198.51.100.21 failure b 1", "198.51.100.22 never tried b 0", "198.51.100.21 success a 1",
          "198.51.100.22 never tried a 0"},
         {}},
        {"USB: the disk's identity, its path only without one; not started is no attempt",
         {Record("2026-12-08T10:00:00Z", "E:\\\\", kA, "failure", "", "usb 04CC:1213 5A6B7C"),
          Record("2026-12-08T11:00:00Z", "E:\\\\", kA, "not started", "not started", "usb 04CC:1213 5A6B7C"),
          Record("2026-12-08T10:00:00Z", "E:\\\\", kA, "success", "", "")},
         {},
         "",
         {"E:\\ success a 1", "usb 04CC:1213 5A6B7C not started a 1"},
         {}},
        {"--since leaves earlier records out",
         {Record("2026-12-07T23:59:59Z", "198.51.100.21", kA, "success"),
          Record("2026-12-08T00:00:00Z", "198.51.100.22", kA, "failure")},
         {north},
         "2026-12-08",
         {"198.51.100.21 never tried a 0", "198.51.100.22 failure a 1"},
         {}},
    };
    for (const ReportCase& c : cases) {
        SCOPED_TRACE(c.name);
        ReportBuilder builder(c.inventory, c.since);
        for (size_t i = 0; i < c.lines.size(); ++i) builder.AddLine(c.lines[i], "log line " + std::to_string(i + 1));
        const Report report = builder.Finish();
        EXPECT_EQ(Rows(report), c.rows);
        EXPECT_EQ(report.warnings, c.warnings);
    }
}

TEST(ReportCore, TotalsAndInventoryForms) {
    ReportBuilder builder({{"ethernet", L"198.51.100.21", L"a", L"North"},
                           {"ethernet", L"198.51.100.22", L"b", L"North"},
                           {"ethernet", L"198.51.100.23", L"c", L"South"},
                           {"ethernet", L"198.51.100.24", L"d", L"South"}},
                          "");
    builder.AddLine(Record("2026-12-08T10:00:00Z", "198.51.100.21", kA, "failure", "终端连接失败."), "l1");
    builder.AddLine(Record("2026-12-08T10:00:00Z", "198.51.100.22", kA, "failure", "拷贝升级包失败."), "l2");
    builder.AddLine(Record("2026-12-08T10:00:00Z", "198.51.100.23", kA, "refused", "终端连接失败."), "l3");
    const Report report = builder.Finish();
    const std::vector<TextCount> failures = RankFailures(report.rows);
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[0].text, L"终端连接失败.");
    EXPECT_EQ(failures[0].count, 2);
    EXPECT_EQ(CountResults(report.rows), (ResultCounts{{"failure", 2}, {"refused", 1}, {"never tried", 1}}));
    const std::vector<SiteTotals> sites = CountSites(report.rows);
    ASSERT_EQ(sites.size(), 2u);
    EXPECT_EQ(sites[1].site, L"South");
    EXPECT_EQ(sites[1].results, (ResultCounts{{"refused", 1}, {"never tried", 1}}));

    EXPECT_EQ(RecordedAddress(L"198.051.100.021"), L"198.51.100.21");
    EXPECT_EQ(RecordedAddress(L"10.0.0.1"), L"10.0.0.1");
    EXPECT_TRUE(IsDiskIdentityText(L"volume 1A2B-3C4D"));
    EXPECT_FALSE(IsDiskIdentityText(L"E:\\"));
    std::string since;
    EXPECT_TRUE(ParseReportSince(L"2026-12-08T18:00Z", &since));
    EXPECT_EQ(since, "2026-12-08T18:00");
    for (const wchar_t* bad : {L"2026-12-8", L"2026-13-01", L"2026-12-08 18:00", L"2026-12-08T24:00", L"yesterday"})
        EXPECT_FALSE(ParseReportSince(bad, &since)) << platform::WideToUtf8(bad);
}
