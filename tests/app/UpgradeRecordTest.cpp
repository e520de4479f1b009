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

namespace {

// ---- a small strict JSON reader, to read the lines back -----------------

struct Json {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool boolean = false;
    double number = 0;
    std::string text;  // UTF-8
    std::vector<Json> items;
    std::vector<std::pair<std::string, Json>> members;  // in the line's order

    const Json& operator[](const std::string& key) const {
        for (const auto& m : members)
            if (m.first == key) return m.second;
        static const Json missing;
        ADD_FAILURE() << "no key " << key;
        return missing;
    }
};

class JsonReader {
public:
    explicit JsonReader(const std::string& text) : m_s(text) {}

    // The one value the text holds; false on any syntax error or trailing text.
    bool Read(Json* value) {
        if (!Value(value, 0)) return false;
        Space();
        return m_i == m_s.size();
    }

private:
    void Space() {
        while (m_i < m_s.size() && (m_s[m_i] == ' ' || m_s[m_i] == '\t' || m_s[m_i] == '\n' || m_s[m_i] == '\r'))
            ++m_i;
    }
    bool Eat(char c) {
        Space();
        if (m_i < m_s.size() && m_s[m_i] == c) {
            ++m_i;
            return true;
        }
        return false;
    }
    bool Word(const char* w) {
        size_t n = std::char_traits<char>::length(w);
        if (m_s.compare(m_i, n, w) != 0) return false;
        m_i += n;
        return true;
    }
    bool Hex4(unsigned* u) {
        if (m_i + 4 > m_s.size()) return false;
        *u = 0;
        for (int k = 0; k < 4; ++k) {
            char c = m_s[m_i++];
            int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (d < 0) return false;
            *u = *u * 16 + static_cast<unsigned>(d);
        }
        return true;
    }
    bool Str(std::string* out) {
        if (!Eat('"')) return false;
        std::u16string units;  // escapes collect here, raw UTF-8 goes through
        auto flush = [&] {
            *out += platform::WideToUtf8(platform::Utf16ToWide(units));
            units.clear();
        };
        while (m_i < m_s.size()) {
            unsigned char c = static_cast<unsigned char>(m_s[m_i++]);
            if (c == '"') {
                flush();
                return true;
            }
            if (c < 0x20) return false;  // raw control characters are no JSON
            if (c != '\\') {
                flush();
                out->push_back(static_cast<char>(c));
                continue;
            }
            if (m_i >= m_s.size()) return false;
            char e = m_s[m_i++];
            unsigned u = 0;
            switch (e) {
                case '"': case '\\': case '/': units.push_back(static_cast<char16_t>(e)); break;
                case 'b': units.push_back(u'\b'); break;
                case 'f': units.push_back(u'\f'); break;
                case 'n': units.push_back(u'\n'); break;
                case 'r': units.push_back(u'\r'); break;
                case 't': units.push_back(u'\t'); break;
                case 'u':
                    if (!Hex4(&u)) return false;
                    units.push_back(static_cast<char16_t>(u));
                    break;
                default: return false;
            }
        }
        return false;
    }
    bool Value(Json* v, int depth) {
        if (depth > 16) return false;
        Space();
        if (m_i >= m_s.size()) return false;
        char c = m_s[m_i];
        if (c == '{') {
            ++m_i;
            v->kind = Json::Object;
            if (Eat('}')) return true;
            do {
                std::pair<std::string, Json> m;
                if (!Str(&m.first) || !Eat(':') || !Value(&m.second, depth + 1)) return false;
                v->members.push_back(std::move(m));
            } while (Eat(','));
            return Eat('}');
        }
        if (c == '[') {
            ++m_i;
            v->kind = Json::Array;
            if (Eat(']')) return true;
            do {
                v->items.emplace_back();
                if (!Value(&v->items.back(), depth + 1)) return false;
            } while (Eat(','));
            return Eat(']');
        }
        if (c == '"') {
            v->kind = Json::String;
            return Str(&v->text);
        }
        if (Word("null")) return true;
        if (Word("true") || Word("false")) {
            v->kind = Json::Bool;
            v->boolean = m_s[m_i - 2] == 'u';  // "true" ends in "ue", "false" in "se"
            return true;
        }
        // -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
        size_t start = m_i;
        if (m_s[m_i] == '-') ++m_i;
        auto digits = [&] {
            size_t d = m_i;
            while (m_i < m_s.size() && m_s[m_i] >= '0' && m_s[m_i] <= '9') ++m_i;
            return m_i - d;
        };
        size_t whole = digits();
        if (whole == 0 || (whole > 1 && m_s[m_i - whole] == '0')) return false;
        if (m_i < m_s.size() && m_s[m_i] == '.' && (++m_i, digits() == 0)) return false;
        if (m_i < m_s.size() && (m_s[m_i] == 'e' || m_s[m_i] == 'E')) {
            ++m_i;
            if (m_i < m_s.size() && (m_s[m_i] == '+' || m_s[m_i] == '-')) ++m_i;
            if (digits() == 0) return false;
        }
        v->kind = Json::Number;
        v->text = m_s.substr(start, m_i - start);
        v->number = std::strtod(v->text.c_str(), nullptr);
        return true;
    }

    const std::string& m_s;
    size_t m_i = 0;
};

// Reads one log line: valid UTF-8, one JSON object, "\n" its only line break.
Json ParseLine(const std::string& line) {
    Json json;
    EXPECT_FALSE(line.empty());
    EXPECT_EQ(line.find('\n'), line.size() - 1) << "exactly one line break, at the end";
    EXPECT_EQ(line.find('\r'), std::string::npos);
    EXPECT_EQ(platform::WideToUtf8(platform::Utf8ToWide(line)), line) << "not valid UTF-8";
    EXPECT_TRUE(JsonReader(line).Read(&json)) << line;
    EXPECT_EQ(json.kind, Json::Object);
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
    EXPECT_EQ(j["final_text"].text, "a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD" "b");
}
#endif

// ---- the recording sink -----------------------------------------------------

TEST(UpgradeRecordTest, SinkForwardsEverythingAndKeepsTheSteps) {
    RecordingProgress inner;
    RecordingProgressSink recorder(inner);
    recorder.SetProgress(0, L"正准备升级...");
    recorder.SetProgress(0.7, L"拷贝升级包失败.");
    recorder.ShowResult(false);
    recorder.WaitForEnter();
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
    EXPECT_EQ(ParseLine(lines[1])["result"].text, "success");

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
        for (const Json& s : line["steps"].items) {
            wchar_t number[32];
            std::swprintf(number, 32, L"%g", s["fraction"].number);
            steps.push_back(number + (L"|" + platform::Utf8ToWide(s["text"].text)));
        }
        std::vector<std::wstring> shown;
        for (const std::wstring& e : progress.events)
            if (e.find(L'|') != std::wstring::npos) shown.push_back(e);
        EXPECT_EQ(steps, shown);
        EXPECT_EQ(line["result"].text, result);
        EXPECT_NE(std::find(progress.events.begin(), progress.events.end(), std::wstring(endingEvent)),
                  progress.events.end());
        EXPECT_EQ(line["time"].text.size(), 20u);
        EXPECT_EQ(line["pack_size"].number, static_cast<double>(packBytes.size()));
        EXPECT_EQ(line["pack_md5"].text, Md5Hex(packBytes));
        EXPECT_EQ(line["pc"].text, U8(platform::MachineName()));
        EXPECT_GE(line["seconds"].number, 0.0);
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
    EXPECT_EQ(ok["final_text"].text, U8(L"请重启设备完成升级！"));
    EXPECT_EQ(ok["model"].text, "M2410");
    EXPECT_EQ(ok["variant"].text, "");
    EXPECT_EQ(ok["connection"].text, "usb");
    EXPECT_EQ(ok["target"].text, U8(diskFolder + L"\\"));
    EXPECT_EQ(ok["pack_name"].text, "AppUpgradePack.zip");

    // A pack of another model: refused, the reason is the final text.
    PackRecipe other;
    other.model = L"M2450";
    other.kind = 1;
    MakePack(other);
    ASSERT_TRUE(RunAndLog(log));
    Json refused = LastLine(2);
    ExpectStepsAsShown(refused, "refused", L"close");
    EXPECT_EQ(refused["final_text"].text, U8(L"升级失败,M2450 与 M2410不匹配,SYSTEM 与 APP也不匹配"));

    // Ethernet, M3710 with a pack of its variant M3710S5, and the upload is cut.
    selection.ChooseModel(2, nullptr);
    selection.terminalAddress = L"192.168.1.20";
    MakePack(PackRecipe::For(L"M3710S5", 0));
    ftp.refusedCalls = {L"put \\Storage Card\\AppUpgradePack.zip"};
    ASSERT_TRUE(RunAndLog(log));
    Json cut = LastLine(3);
    ExpectStepsAsShown(cut, "failure", L"banner failed");
    EXPECT_EQ(cut["final_text"].text, U8(runtext::kUploadFailed));
    EXPECT_EQ(cut["model"].text, "M3710");
    EXPECT_EQ(cut["variant"].text, "M3710S5");
    EXPECT_EQ(cut["connection"].text, "ethernet");
    EXPECT_EQ(cut["target"].text, "192.168.1.20");
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
