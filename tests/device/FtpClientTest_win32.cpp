// CFtpClient against the terminal simulator's real FTP servers on loopback
// (started by the terminal_sim test fixture).
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <string>

#include "SimulatorState.h"
#include "device/FtpClient.h"

namespace {

const char kStateFile[] = QUILLON_SIM_STATE;
const wchar_t kHost[] = L"127.0.0.1";
const wchar_t kPassword[] = L"739204";

SimulatedTerminal Terminal(const char* name) {
    SimulatedTerminal t;
    std::string error;
    if (!LoadSimulatedTerminal(kStateFile, name, &t, &error)) ADD_FAILURE() << error;
    return t;
}

std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

std::string LocalTempFile(const std::string& name) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + "quillon-ftp-" + std::to_string(GetCurrentProcessId()) + "-" + name;
}

// Where the terminal keeps a file uploaded as "\Storage Card\x.zip".
std::string StoredPath(const SimulatedTerminal& t, const std::string& remote) {
    std::string p = t.root;
    if (remote.empty() || remote[0] != '\\') p += '\\';
    return p + remote;
}

size_t CountJournal(const SimulatedTerminal& t, const std::string& needle) {
    std::vector<std::string> lines = ReadJournal(t);
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& l) { return l.find(needle) != std::string::npos; });
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A loopback port with nothing listening on it.
int ClosedPort() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    closesocket(s);
    return ntohs(a.sin_port);
}

// Uploads `bytes` as `remote` and returns what the terminal stored.
std::string RoundTrip(CFtpClient& ftp, const SimulatedTerminal& t, const std::string& bytes,
                      const std::string& remote) {
    std::string local = LocalTempFile("upload.bin");
    EXPECT_TRUE(WriteWholeFile(local, bytes));
    EXPECT_TRUE(ftp.PutFile(Widen(local), Widen(remote), true)) << remote;
    DeleteFileA(local.c_str());
    std::string stored;
    EXPECT_TRUE(ReadWholeFile(StoredPath(t, remote), &stored)) << StoredPath(t, remote);
    return stored;
}

TEST(FtpConnect, AcceptsBothTerminalUsersAndRefusesWrongPassword) {
    SimulatedTerminal t = Terminal("normal");
    for (const wchar_t* user : {L"admin", L"update"}) {
        CFtpClient ftp;
        EXPECT_TRUE(ftp.Connect(kHost, t.ftpPort, user, kPassword)) << user;
        EXPECT_TRUE(ftp.IsConnected());
    }
    EXPECT_GE(CountJournal(t, "\"user\": \"update\", \"ok\": true"), 1u);

    CFtpClient ftp;
    EXPECT_FALSE(ftp.Connect(kHost, t.ftpPort, L"admin", L"000000"));
    EXPECT_FALSE(ftp.IsConnected());
    EXPECT_FALSE(ftp.ChangeDirectory(L"\\Storage Card"));
    EXPECT_GE(CountJournal(t, "\"user\": \"admin\", \"ok\": false"), 1u);
}

TEST(FtpConnect, TerminalRefusingEveryLoginGivesFalse) {
    SimulatedTerminal t = Terminal("refuse");
    CFtpClient ftp;
    EXPECT_FALSE(ftp.Connect(kHost, t.ftpPort, L"admin", kPassword));
    EXPECT_FALSE(ftp.PutFile(L"C:\\nothing", L"\\x", false));
}

TEST(FtpConnect, NothingListeningGivesFalseAtOnce) {
    CFtpClient ftp;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(ftp.Connect(kHost, ClosedPort(), L"admin", kPassword));
    EXPECT_LT(SecondsSince(start), 3.0);
}

// A terminal that takes the TCP connection and never answers: Connect
// gives up after its limit, the client stays usable, and the connect
// thread that is still waiting never disturbs it.
TEST(FtpConnect, SilentTerminalTimesOutAfterFiveSecondsAndClientMovesOn) {
    SimulatedTerminal silent = Terminal("silent");
    SimulatedTerminal normal = Terminal("normal");
    CFtpClient ftp;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(ftp.Connect(kHost, silent.ftpPort, L"admin", kPassword));
    double waited = SecondsSince(start);
    EXPECT_GT(waited, 4.5);
    EXPECT_LT(waited, 9.0);

    EXPECT_FALSE(ftp.IsConnected());
    EXPECT_FALSE(ftp.ChangeDirectory(L"\\Storage Card"));
    EXPECT_FALSE(ftp.ChangeDirectory(L""));
    EXPECT_FALSE(ftp.PutFile(L"C:\\nothing", L"\\x", true));
    EXPECT_TRUE(ftp.Disconnect());

    // A second timed-out attempt while the first thread still waits.
    EXPECT_FALSE(ftp.Connect(kHost, silent.ftpPort, L"admin", kPassword));
    ASSERT_TRUE(ftp.Connect(kHost, normal.ftpPort, L"admin", kPassword));
    EXPECT_EQ(RoundTrip(ftp, normal, "after a hang", "\\after-timeout.txt"), "after a hang");
}

bool WaitForJournal(const SimulatedTerminal& t, const std::string& needle, size_t count, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (CountJournal(t, needle) >= count) return true;
        Sleep(100);
    }
    return false;
}

// A terminal that answers only after 7 s: the login completes after
// Connect has given up. That late session is never used and is closed,
// whether Disconnect comes after it arrived or before.
TEST(FtpConnect, LateLoginAfterTimeOutIsClosedNotUsed) {
    SimulatedTerminal slow = Terminal("slow");
    {
        CFtpClient ftp;
        EXPECT_FALSE(ftp.Connect(kHost, slow.ftpPort, L"admin", kPassword));
        ASSERT_TRUE(WaitForJournal(slow, "\"event\": \"login\"", 1, 10));
        Sleep(300);
        EXPECT_FALSE(ftp.IsConnected());
        EXPECT_FALSE(ftp.PutFile(L"C:\\nothing", L"\\x", false));
        EXPECT_EQ(CountJournal(slow, "\"event\": \"disconnect\""), 0u);  // still open...
        EXPECT_TRUE(ftp.Disconnect());
        EXPECT_TRUE(WaitForJournal(slow, "\"event\": \"disconnect\"", 1, 5));  // ...until Disconnect
    }
    {
        CFtpClient ftp;
        EXPECT_FALSE(ftp.Connect(kHost, slow.ftpPort, L"update", kPassword));
        EXPECT_TRUE(ftp.Disconnect());  // before the login completes: the thread closes it
        EXPECT_TRUE(WaitForJournal(slow, "\"user\": \"update\", \"ok\": true", 1, 10));
        EXPECT_TRUE(WaitForJournal(slow, "\"event\": \"disconnect\"", 2, 5));
    }
}

TEST(FtpState, OperationsOnAnIdleClientReturnFalse) {
    SimulatedTerminal t = Terminal("normal");
    CFtpClient ftp;
    EXPECT_TRUE(ftp.Disconnect());  // nothing to close
    EXPECT_FALSE(ftp.ChangeDirectory(L""));
    EXPECT_FALSE(ftp.ChangeDirectory(L"\\Storage Card"));
    EXPECT_FALSE(ftp.PutFile(L"C:\\nothing", L"\\x", true));
    EXPECT_FALSE(ftp.PutFile(L"C:\\nothing", L"\\x", false));

    ASSERT_TRUE(ftp.Connect(kHost, t.ftpPort, L"admin", kPassword));
    EXPECT_TRUE(ftp.Disconnect());
    EXPECT_FALSE(ftp.IsConnected());
    EXPECT_FALSE(ftp.ChangeDirectory(L"\\Storage Card"));
    EXPECT_FALSE(ftp.PutFile(L"C:\\nothing", L"\\x", false));
    EXPECT_TRUE(ftp.Disconnect());
}

TEST(FtpState, DirectoryChangesAndTransferFalseSendNothing) {
    SimulatedTerminal t = Terminal("normal");
    CFtpClient ftp;
    ASSERT_TRUE(ftp.Connect(kHost, t.ftpPort, L"admin", kPassword));
    EXPECT_TRUE(ftp.ChangeDirectory(L""));
    EXPECT_TRUE(ftp.ChangeDirectory(L"\\HardDisk"));
    EXPECT_TRUE(ftp.ChangeDirectory(L"\\Storage Card"));
    EXPECT_FALSE(ftp.ChangeDirectory(L"\\No Such Folder"));

    std::string local = LocalTempFile("never-sent.bin");
    ASSERT_TRUE(WriteWholeFile(local, "data"));
    EXPECT_TRUE(ftp.PutFile(Widen(local), L"\\never-sent.bin", false));
    DeleteFileA(local.c_str());
    std::string stored;
    EXPECT_FALSE(ReadWholeFile(StoredPath(t, "\\never-sent.bin"), &stored));
    EXPECT_EQ(CountJournal(t, "never-sent.bin"), 0u);
}

// SIZE as the first command of a fresh connection (ASCII mode, no transfer
// before it): only a 550 says a file is missing; a server without SIZE or a
// connection that goes down at SIZE (right after a refused DELE's 550) says
// nothing.
TEST(FtpState, SizeSaysSizedMissingOrUnknown) {
    using Size = IFtpSession::SizeAnswer;
    struct Row {
        const char* terminal;
        Size present, absent;
    };
    const Row rows[] = {
        {"normal", Size::Sized, Size::Missing},
        {"nosize", Size::Unknown, Size::Unknown},
        {"hangup", Size::Unknown, Size::Unknown},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.terminal);
        SimulatedTerminal t = Terminal(row.terminal);
        ASSERT_TRUE(WriteWholeFile(StoredPath(t, "\\HardDisk\\SystemUpgradeFlag.cfg"), "11"));
        for (bool present : {true, false}) {
            CFtpClient ftp;
            ASSERT_TRUE(ftp.Connect(kHost, t.ftpPort, L"admin", kPassword));
            const wchar_t* path = present ? L"\\HardDisk\\SystemUpgradeFlag.cfg" : L"\\HardDisk\\NoSuchFlag.cfg";
            if (!present) {
                EXPECT_FALSE(ftp.DeleteRemoteFile(path));
            }
            uint64_t size = 7;
            const Size answer = ftp.QueryRemoteFileSize(path, &size);
            EXPECT_EQ(answer, present ? row.present : row.absent) << present;
            EXPECT_EQ(size, answer == Size::Sized ? 2u : 7u);
        }
    }
    EXPECT_EQ(CountJournal(Terminal("hangup"), "\"hang-up\""), 2u);
}

TEST(FtpUpload, EveryByteValueLineEndAndZeroArrivesUnchanged) {
    SimulatedTerminal t = Terminal("normal");
    CFtpClient ftp;
    ASSERT_TRUE(ftp.Connect(kHost, t.ftpPort, L"admin", kPassword));
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    bytes += "line\r\nnext\nlone\r\r\n\r\n";
    bytes += std::string(1000, '\0');
    bytes += "\r";
    EXPECT_EQ(RoundTrip(ftp, t, bytes, "\\bytes.bin"), bytes);
    EXPECT_EQ(RoundTrip(ftp, t, "", "\\empty.bin"), "");
}

TEST(FtpUpload, TwentyMebibytesArriveUnchanged) {
    SimulatedTerminal t = Terminal("normal");
    CFtpClient ftp;
    ASSERT_TRUE(ftp.Connect(kHost, t.ftpPort, L"admin", kPassword));
    std::string bytes(20u << 20, '\0');
    std::mt19937 random(7);
    for (char& c : bytes) c = static_cast<char>(random());
    // The whole file is reported once, after the terminal has stored all of it.
    std::vector<uint64_t> reports;
    std::string storedAtLastReport;
    ftp.SetTransferProgress([&](uint64_t sent, uint64_t total) {
        reports.push_back(sent);
        if (sent == total) ReadWholeFile(StoredPath(t, "\\Storage Card\\big.zip"), &storedAtLastReport);
    });
    std::string stored = RoundTrip(ftp, t, bytes, "\\Storage Card\\big.zip");
    EXPECT_EQ(stored.size(), bytes.size());
    EXPECT_TRUE(stored == bytes);
    ASSERT_GT(reports.size(), 2u);
    EXPECT_EQ(std::count(reports.begin(), reports.end(), uint64_t(bytes.size())), 1);
    EXPECT_EQ(reports.back(), bytes.size());
    EXPECT_EQ(storedAtLastReport.size(), bytes.size());
}

TEST(FtpUpload, RemoteNamesLandWhereTheTerminalKeepsThem) {
    SimulatedTerminal t = Terminal("normal");
    CFtpClient ftp;
    ASSERT_TRUE(ftp.Connect(kHost, t.ftpPort, L"admin", kPassword));
    EXPECT_TRUE(ftp.ChangeDirectory(L"\\Storage Card"));
    EXPECT_EQ(RoundTrip(ftp, t, "app pack", "\\Storage Card\\AppUpgradePack.zip"), "app pack");
    EXPECT_TRUE(ftp.ChangeDirectory(L"\\HardDisk"));
    EXPECT_EQ(RoundTrip(ftp, t, "11", "\\HardDisk\\SystemUpgradeFlag.cfg"), "11");
    EXPECT_TRUE(ftp.ChangeDirectory(L""));
    EXPECT_EQ(RoundTrip(ftp, t, "tool pack", "\\ToolUpgradePack.zip"), "tool pack");
    EXPECT_GE(CountJournal(t, "\"path\": \"Storage Card/AppUpgradePack.zip\""), 1u);
    EXPECT_GE(CountJournal(t, "\"path\": \"HardDisk/SystemUpgradeFlag.cfg\""), 1u);
}

TEST(FtpUpload, FailedUploadsGiveFalse) {
    CFtpClient ftp;
    SimulatedTerminal normal = Terminal("normal");
    ASSERT_TRUE(ftp.Connect(kHost, normal.ftpPort, L"admin", kPassword));
    EXPECT_FALSE(ftp.PutFile(L"C:\\no\\such\\local.zip", L"\\x.zip", true));

    std::string big(4u << 20, 'p');
    std::string local = LocalTempFile("big.bin");
    ASSERT_TRUE(WriteWholeFile(local, big));

    SimulatedTerminal drop = Terminal("drop");  // closes the data connection part-way
    ASSERT_TRUE(ftp.Connect(kHost, drop.ftpPort, L"admin", kPassword));
    EXPECT_FALSE(ftp.PutFile(Widen(local), L"\\Storage Card\\AppUpgradePack.zip", true));

    SimulatedTerminal quota = Terminal("quota");  // full after 1 MiB
    ASSERT_TRUE(ftp.Connect(kHost, quota.ftpPort, L"admin", kPassword));
    EXPECT_FALSE(ftp.PutFile(Widen(local), L"\\Storage Card\\AppUpgradePack.zip", true));
    DeleteFileA(local.c_str());
}

TEST(FtpConnect, ReconnectingReplacesTheEarlierSession) {
    SimulatedTerminal t = Terminal("normal");
    CFtpClient ftp;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(ftp.Connect(kHost, t.ftpPort, L"update", kPassword));
        std::string name = "\\reconnect-" + std::to_string(i) + ".txt";
        EXPECT_EQ(RoundTrip(ftp, t, name, name), name);
    }
}

}  // namespace
