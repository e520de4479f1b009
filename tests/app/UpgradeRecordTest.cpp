// The upgrade log: the record's JSON line, the recording progress sink, the
// log file (one append per line, rotation, failures that cost nothing) and
// whole runs that each leave one line, wired as the program wires them.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <initializer_list>
#include <limits>
#include <map>
#include <memory>
#include <thread>

#include <nlohmann/json.hpp>

#include "app/RecordingProgressSink.h"
#include "app/RunRecord.h"
#include "app/RunTexts.h"
#include "app/UpgradeLog.h"
#include "app/UpgradeRecord.h"
#include "app/UpgradeRun.h"
#include "platform/Environment.h"
#include "platform/File.h"
#include "platform/Text.h"
#include "support/RunFixture.h"
#include "support/ModelNamed.h"

namespace {

using Json = nlohmann::ordered_json;

// Reads one log line: valid UTF-8, one JSON object, "\n" its only line break.
Json ParseLine(const std::string& line) {
    Json json;
    EXPECT_FALSE(line.empty());
    EXPECT_EQ(line.find('\n'), line.size() - 1) << "exactly one line break, at the end";
    EXPECT_EQ(line.find('\r'), std::string::npos);
    EXPECT_EQ(platform::WideToUtf8(platform::Utf8ToWide(line)), line) << "not valid UTF-8";
    json = Json::parse(line, nullptr, false);  // strict: a lone surrogate escape is an error too
    EXPECT_FALSE(json.is_discarded()) << line;
    EXPECT_TRUE(json.is_object()) << line;
    return json;
}

std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(bytes.substr(start));  // a half line: the tests expect none
            break;
        }
        lines.push_back(bytes.substr(start, end + 1 - start));
        start = end + 1;
    }
    return lines;
}

std::string U8(const std::wstring& text) { return platform::WideToUtf8(text); }

// Text from code points, UTF-16 on Windows (pairs for U+10000 and above).
std::wstring Chars(std::initializer_list<uint32_t> codePoints) {
    std::wstring s;
    for (uint32_t c : codePoints) {
        if (sizeof(wchar_t) == 2 && c > 0xFFFF) {
            s.push_back(static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)));
            s.push_back(static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            s.push_back(static_cast<wchar_t>(c));
        }
    }
    return s;
}

// Quotes, backslashes, line breaks, a control character, Chinese, a line
// separator, a character beyond the BMP and a lone surrogate.
const std::wstring kAwkward = L"say \"hi\" C:\\temp\\a\nline2\t" + Chars({0x01}) + L" 请重启设备完成升级！" +
                              Chars({0x2028, 0x1F600, 0xD800}) + L"x";

UpgradeRecord SampleRecord() {
    UpgradeRecord r;
    r.utcTime = "2026-12-08T18:20:31Z";
    r.toolVersion = L"V1.0.0.0";
    r.pcName = L"WORKSHOP-7";
    r.modelName = L"M3710";
    r.variantName = L"M3710S5";
    r.connection = kConnectionEthernet;
    r.target = L"192.168.1.20";
    r.packName = L"AppUpgradePack.zip";
    r.packSize = 5000000000ull;  // more than 32 bits
    r.packMd5 = "0123456789abcdef0123456789abcdef";
    r.steps = {{0.0, L"正准备升级..."}, {0.1, L"成功连接终端."}, {0.85, kAwkward},
               {std::numeric_limits<double>::quiet_NaN(), L""}};
    r.result = UpgradeResult::Failure;
    r.finalText = L"拷贝升级包失败.";
    r.seconds = 12.3456;
    return r;
}

// ---- the record's line ----------------------------------------------------

TEST(UpgradeRecordTest, LineIsExactlyThisJson) {
    EXPECT_EQ(FormatUpgradeRecord(SampleRecord()),
              "{\"time\":\"2026-12-08T18:20:31Z\",\"version\":\"V1.0.0.0\",\"pc\":\"WORKSHOP-7\",\"model\":\"M3710\","
              "\"variant\":\"M3710S5\",\"connection\":\"ethernet\",\"target\":\"192.168.1.20\","
              "\"pack_name\":\"AppUpgradePack.zip\",\"pack_size\":5000000000,"
              "\"pack_md5\":\"0123456789abcdef0123456789abcdef\",\"steps\":["
              "{\"fraction\":0,\"text\":\"正准备升级...\"},{\"fraction\":0.1,\"text\":\"成功连接终端.\"},"
              "{\"fraction\":0.85,\"text\":\"say \\\"hi\\\" C:\\\\temp\\\\a\\nline2\\t\\u0001 请重启设备完成升级！"
              "\\u2028😀\xEF\xBF\xBD" "x\"},{\"fraction\":null,\"text\":\"\"}],"
              "\"result\":\"failure\",\"final_text\":\"拷贝升级包失败.\",\"seconds\":12.346}\n");
}

#if WCHAR_MAX > 0xFFFF
TEST(UpgradeRecordTest, InvalidUtf32BecomesReplacementCharacters) {
    UpgradeRecord r;
    // A surrogate pair is no character in UTF-32; neither is 0x110000.
    r.finalText = std::wstring{L'a', static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00),
                               static_cast<wchar_t>(0x110000), static_cast<wchar_t>(-1), L'b'};
    Json j = ParseLine(FormatUpgradeRecord(r));
    EXPECT_EQ(j.at("final_text").get<std::string>(), "a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD" "b");
}
#endif

// ---- the recording sink -----------------------------------------------------

TEST(UpgradeRecordTest, SinkForwardsEverythingAndKeepsTheSteps) {
    RecordingProgress inner;
    RecordingProgressSink recorder(inner);
    recorder.SetProgress(0, L"正准备升级...");
    recorder.SetProgress(0.7, L"拷贝升级包失败.");
    recorder.ShowResult(false);
    recorder.CloseOnEnter();
    EXPECT_EQ(inner.events, (std::vector<std::wstring>{L"0|正准备升级...", L"0.7|拷贝升级包失败.", L"banner failed", L"enter"}));
    UpgradeRecord record;
    record.modelName = L"M2410";
    record.finalText = L"from the outcome";
    recorder.FillRecord(&record);
    ASSERT_EQ(record.steps.size(), 2u);
    EXPECT_EQ(record.steps[1].text, L"拷贝升级包失败.");
    EXPECT_EQ(record.modelName, L"M2410") << "other fields stay";
    EXPECT_EQ(record.finalText, L"from the outcome") << "how the run ended is the outcome's";
    EXPECT_GE(record.seconds, 0.0);

    RecordingProgressSink silent(inner);
    UpgradeRecord none;
    silent.FillRecord(&none);
    EXPECT_TRUE(none.steps.empty());
    EXPECT_EQ(none.seconds, 0.0);
}

TEST(UpgradeRecordTest, SinkFilledByAWorkerIsReadAfterIt) {
    RecordingProgress inner;
    RecordingProgressSink recorder(inner);
    std::thread worker([&] {
        for (int i = 0; i < 200; ++i) recorder.SetProgress(i / 200.0, std::to_wstring(i));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        recorder.ShowResult(true);
    });
    while (!recorder.Ended()) recorder.Steps();  // the UI thread may look meanwhile
    worker.join();
    UpgradeRecord record;
    recorder.FillRecord(&record);
    ASSERT_EQ(record.steps.size(), 200u);
    EXPECT_EQ(record.steps[199].text, L"199");
    EXPECT_GE(record.seconds, 0.015);
    EXPECT_LT(record.seconds, 30.0);
}

// ---- the log file ------------------------------------------------------------

TEST(UpgradeRecordTest, EachAppendAddsOneLineAndLeavesTheOthers) {
    TempFolder root;
    const std::wstring log = root / L"state\\quillon\\upgrades.jsonl";  // folders made on the way
    UpgradeRecord r = SampleRecord();
    ASSERT_TRUE(AppendUpgradeRecord(log, r));
    std::string first;
    ASSERT_TRUE(ReadBytes(log, &first));
    EXPECT_EQ(first, FormatUpgradeRecord(r));

    r.result = UpgradeResult::Success;
    ASSERT_TRUE(AppendUpgradeRecord(log, r));
    std::string both;
    ASSERT_TRUE(ReadBytes(log, &both));
    EXPECT_EQ(both, first + FormatUpgradeRecord(r));
    std::vector<std::string> lines = Lines(both);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(ParseLine(lines[1]).at("result").get<std::string>(), "success");

    // Forward slashes name the same file.
    std::wstring slashed = log;
    for (wchar_t& c : slashed)
        if (c == L'\\') c = L'/';
    ASSERT_TRUE(AppendUpgradeRecord(slashed, r));
    ASSERT_TRUE(ReadBytes(log, &both));
    EXPECT_EQ(Lines(both).size(), 3u);
}

TEST(UpgradeRecordTest, LogAboveTheLimitIsSetAsideNeverRewritten) {
    EXPECT_EQ(RotatedUpgradeLogPath(L"C:\\a.b\\upgrades.jsonl"), L"C:\\a.b\\upgrades.1.jsonl");
    EXPECT_EQ(RotatedUpgradeLogPath(L"C:\\a.b\\log"), L"C:\\a.b\\log.1");
    EXPECT_EQ(RotatedUpgradeLogPath(L"\\x\\.log"), L"\\x\\.log.1");

    TempFolder root;
    const std::wstring log = root / L"upgrades.jsonl", older = root / L"upgrades.1.jsonl";
    const std::string line = FormatUpgradeRecord(SampleRecord());
    const uint64_t limit = 3 * line.size();  // a small limit: four lines pass it

    std::string expected;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(AppendUpgradeRecord(log, SampleRecord(), limit));
        expected += line;
    }
    std::string now, aside;
    ASSERT_TRUE(ReadBytes(log, &now));
    EXPECT_EQ(now, expected) << "at the limit the file still grows";
    EXPECT_FALSE(platform::PathExists(older));

    ASSERT_TRUE(AppendUpgradeRecord(log, SampleRecord(), limit));  // above it: set aside first
    ASSERT_TRUE(ReadBytes(older, &aside));
    EXPECT_EQ(aside, expected) << "the old lines are moved whole, not rewritten";
    ASSERT_TRUE(ReadBytes(log, &now));
    EXPECT_EQ(now, line);

    // The next time the older file is replaced; only one is kept.
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(AppendUpgradeRecord(log, SampleRecord(), limit));
    ASSERT_TRUE(ReadBytes(older, &aside));
    EXPECT_EQ(aside, expected);
    ASSERT_TRUE(ReadBytes(log, &now));
    EXPECT_EQ(now, line);
    std::vector<platform::DirEntry> entries;
    ASSERT_TRUE(platform::ListDirectory(root.Path(), L"*.jsonl", &entries));
    EXPECT_EQ(entries.size(), 2u);

    // The real limit: exactly 10 MiB stays, one byte more is set aside.
    std::string big(kUpgradeLogRotateBytes, 'x');
    big.back() = '\n';
    ASSERT_TRUE(WriteBytes(log, big));
    ASSERT_TRUE(AppendUpgradeRecord(log, SampleRecord()));
    uint64_t size = 0;
    ASSERT_TRUE(platform::FileSize(log, &size));
    EXPECT_EQ(size, kUpgradeLogRotateBytes + line.size());
    ASSERT_TRUE(AppendUpgradeRecord(log, SampleRecord()));
    ASSERT_TRUE(platform::FileSize(older, &size));
    EXPECT_EQ(size, kUpgradeLogRotateBytes + line.size());
    ASSERT_TRUE(ReadBytes(log, &now));
    EXPECT_EQ(now, line);
}

TEST(UpgradeRecordTest, LogThatCannotBeWrittenFailsAtOnce) {
    TempFolder root;
    // A regular file where the folder should be: no folder can be made
    // below it, whatever rights the process has (root too).
    ASSERT_TRUE(WriteBytes(root / L"file", "not a folder"));
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(AppendUpgradeRecord(root / L"file\\upgrades.jsonl", SampleRecord()));
    EXPECT_FALSE(AppendUpgradeRecord(root / L"file\\quillon\\upgrades.jsonl", SampleRecord()));
    EXPECT_FALSE(AppendUpgradeRecord(root.Path(), SampleRecord())) << "a folder is no log file";
    EXPECT_FALSE(AppendUpgradeRecord(L"", SampleRecord()));
    EXPECT_FALSE(AppendUpgradeRecord(root / L"folder\\", SampleRecord()));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    std::string bytes;
    ASSERT_TRUE(ReadBytes(root / L"file", &bytes));
    EXPECT_EQ(bytes, "not a folder");
    EXPECT_FALSE(platform::PathExists(root / L"folder"));
}

// Sets an environment variable for one test and puts the old value back.
class EnvironmentOverride {
public:
    EnvironmentOverride(const std::wstring& name, const std::wstring* value) : m_name(name) {
        m_had = platform::ReadEnvironment(name, &m_old);
        platform::WriteEnvironment(name, value);
    }
    ~EnvironmentOverride() { platform::WriteEnvironment(m_name, m_had ? &m_old : nullptr); }

private:
    std::wstring m_name, m_old;
    bool m_had = false;
};

TEST(UpgradeRecordTest, DefaultPathIsTheUsersStateFolderOrTheOverride) {
    {
        EnvironmentOverride none(kUpgradeLogVariable, nullptr);
#ifdef _WIN32
        const std::wstring tail = L"\\Quillon\\upgrades.jsonl";
#else
        const std::wstring tail = L"\\quillon\\upgrades.jsonl";
        const std::wstring state = L"/var/tmp/state";
        EnvironmentOverride xdg(L"XDG_STATE_HOME", &state);
        EXPECT_EQ(DefaultUpgradeLogPath(), L"\\var\\tmp\\state" + tail);
        const std::wstring relative = L"relative/state", home = L"/home/operator";
        EnvironmentOverride xdg2(L"XDG_STATE_HOME", &relative);  // not absolute: ignored
        EnvironmentOverride home2(L"HOME", &home);
        EXPECT_EQ(DefaultUpgradeLogPath(), L"\\home\\operator\\.local\\state" + tail);
#endif
        std::wstring path = DefaultUpgradeLogPath();
        ASSERT_GT(path.size(), tail.size());
        EXPECT_EQ(path.substr(path.size() - tail.size()), tail);
        EXPECT_EQ(path.substr(0, path.size() - tail.size()), platform::UserStateFolder());
    }
    const std::wstring mine = L"C:/quillon demo/我的记录.jsonl", empty;
    {
        EnvironmentOverride set(kUpgradeLogVariable, &mine);
        EXPECT_EQ(DefaultUpgradeLogPath(), L"C:\\quillon demo\\我的记录.jsonl");
    }
    {
        EnvironmentOverride set(kUpgradeLogVariable, &empty);  // empty: as if unset
        EXPECT_EQ(DefaultUpgradeLogPath().find(L"我的记录"), std::wstring::npos);
        EXPECT_FALSE(DefaultUpgradeLogPath().empty());
    }
}

// ---- whole runs, each leaving one line -----------------------------------------

class UpgradeRecordRunTest : public RunFixture {
protected:
    void UseDisk() {
        UsbDiskInfo disk{};
        std::wstring drive = diskFolder + L"\\";
        std::wcsncpy(disk.volume.szDrivePath, drive.c_str(), 255);
        disk.volume.dwDiskNumber = 1;
        disk.wVendorId = 0x04CC;
        disk.wProductId = 0x1213;
        selection.terminalDisks.Replace({disk});
    }

    // One run wired as the program wires it: the recorder in front of the
    // window, the record filled around the run, one line appended.
    bool RunAndLog(const std::wstring& logPath) {
        progress.events.clear();
        RecordingProgressSink recorder(progress);
        const RunRequest request = MakeRunRequest(selection);
        CUpgradeRun run(request, {recorder, ftp, start, files}, programFolder);
        run.Run();
        UpgradeRecord record = StartRunRecord(request, L"V1.0.0.0");
        FinishRunRecord(&record, run.Outcome(), recorder);
        ApplyRunOutcome(selection, run.TakeOutcome());
        return AppendUpgradeRecord(logPath, record);
    }

    // The log's last line, after checking that it holds `count` lines.
    Json LastLine(size_t count) {
        std::string bytes;
        EXPECT_TRUE(ReadBytes(log, &bytes));
        std::vector<std::string> lines = Lines(bytes);
        EXPECT_EQ(lines.size(), count);
        return lines.empty() ? Json() : ParseLine(lines.back());
    }

    // The line's steps and ending are what the window was told.
    void ExpectStepsAsShown(const Json& line, const char* result, const wchar_t* endingEvent) {
        std::vector<std::wstring> steps;
        for (const Json& s : line.at("steps")) {
            wchar_t number[32];
            std::swprintf(number, 32, L"%g", s.at("fraction").get<double>());
            steps.push_back(number + (L"|" + platform::Utf8ToWide(s.at("text").get<std::string>())));
        }
        std::vector<std::wstring> shown;
        for (const std::wstring& e : progress.events)
            if (e.find(L'|') != std::wstring::npos) shown.push_back(e);
        EXPECT_EQ(steps, shown);
        EXPECT_EQ(line.at("result").get<std::string>(), result);
        EXPECT_NE(std::find(progress.events.begin(), progress.events.end(), std::wstring(endingEvent)),
                  progress.events.end());
        EXPECT_EQ(line.at("time").get<std::string>().size(), 20u);
        EXPECT_EQ(line.at("pack_size").get<double>(), static_cast<double>(packBytes.size()));
        EXPECT_EQ(line.at("pack_md5").get<std::string>(), Md5Hex(packBytes));
        EXPECT_EQ(line.at("pc").get<std::string>(), U8(platform::MachineName()));
        EXPECT_GE(line.at("seconds").get<double>(), 0.0);
    }

    std::wstring log = root / L"log\\upgrades.jsonl";
    FakeFtp ftp;
    FakeStartCommand start;
    SeamedFileSystem files;
};

TEST_F(UpgradeRecordRunTest, SuccessRefusalAndCutUploadEachLeaveOneLine) {
    // A USB upgrade that succeeds.
    MakePack({});
    UseDisk();
    ASSERT_TRUE(RunAndLog(log));
    Json ok = LastLine(1);
    ExpectStepsAsShown(ok, "success", L"banner ok");
    EXPECT_EQ(ok.at("final_text").get<std::string>(), U8(L"请重启设备完成升级！"));
    EXPECT_EQ(ok.at("model").get<std::string>(), "M2410");
    EXPECT_EQ(ok.at("variant").get<std::string>(), "");
    EXPECT_EQ(ok.at("connection").get<std::string>(), "usb");
    EXPECT_EQ(ok.at("target").get<std::string>(), U8(diskFolder + L"\\"));
    EXPECT_EQ(ok.at("pack_name").get<std::string>(), "AppUpgradePack.zip");

    // A pack of another model: refused, the reason is the final text.
    PackRecipe other;
    other.model = L"M2450";
    other.kind = 1;
    MakePack(other);
    ASSERT_TRUE(RunAndLog(log));
    Json refused = LastLine(2);
    ExpectStepsAsShown(refused, "refused", L"close");
    EXPECT_EQ(refused.at("final_text").get<std::string>(), U8(L"升级失败,M2450 与 M2410不匹配,SYSTEM 与 APP也不匹配"));

    // Ethernet, M3710 with a pack of its variant M3710S5, and the upload is cut.
    selection.ChooseModel(Model(L"M3710"), nullptr);
    selection.terminalAddress = L"192.168.1.20";
    MakePack(PackRecipe::For(L"M3710S5", 0));
    ftp.refusedCalls = {L"put \\Storage Card\\AppUpgradePack.zip"};
    ASSERT_TRUE(RunAndLog(log));
    Json cut = LastLine(3);
    ExpectStepsAsShown(cut, "failure", L"banner failed");
    EXPECT_EQ(cut.at("final_text").get<std::string>(), U8(runtext::kUploadFailed));
    EXPECT_EQ(cut.at("model").get<std::string>(), "M3710");
    EXPECT_EQ(cut.at("variant").get<std::string>(), "M3710S5");
    EXPECT_EQ(cut.at("connection").get<std::string>(), "ethernet");
    EXPECT_EQ(cut.at("target").get<std::string>(), "192.168.1.20");
}

TEST_F(UpgradeRecordRunTest, UnwritableLogLeavesTheRunsResultAlone) {
    MakePack({});
    UseDisk();
    ASSERT_TRUE(RunAndLog(log));
    const std::vector<std::wstring> withLog = progress.events;

    ASSERT_TRUE(WriteBytes(root / L"notafolder", ""));
    auto began = std::chrono::steady_clock::now();
    EXPECT_FALSE(RunAndLog(root / L"notafolder\\quillon\\upgrades.jsonl"));
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(20));
    EXPECT_EQ(progress.events, withLog) << "the same run, the same reports, the same ending";
    EXPECT_EQ(progress.events[progress.events.size() - 2], L"banner ok");
    std::string copied;
    ASSERT_TRUE(ReadBytes(diskFolder + L"\\AppUpgradePack.zip", &copied));
    EXPECT_EQ(copied, packBytes);
    LastLine(1);  // the good log got no second line
    ExpectCleanProgramFolder();
}

}  // namespace
