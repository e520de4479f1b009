// The native build's connections against the real terminal simulator on
// loopback: the libcurl FTP session and the POSIX start command. Every test
// starts the simulators it needs and stops them when it ends.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "TerminalSimProcess_posix.h"
#include "device/CurlFtpSession_posix.h"
#include "device/StartClient.h"

namespace {

const wchar_t kHost[] = L"127.0.0.1";
const wchar_t kPassword[] = L"739204";

std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A local file for uploads in the simulator's folder (outside its root).
std::string LocalFile(const TerminalSimProcess& sim, const std::string& name, const std::string& bytes) {
    std::string path = sim.Folder() + "/" + name;
    EXPECT_TRUE(WriteWholeFile(path, bytes));
    return path;
}

std::string Stored(const TerminalSimProcess& sim, const std::string& relative) {
    std::string bytes;
    if (!ReadWholeFile(sim.Terminal().root + "/" + relative, &bytes)) return "<missing>";
    return bytes;
}

std::string RandomBytes(size_t n, unsigned seed) {
    std::string bytes(n, '\0');
    std::mt19937 random(seed);
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

#define ASSERT_SIM(sim) ASSERT_TRUE((sim).Ready()) << (sim).Error()

using Size = IFtpSession::SizeAnswer;

TEST(CurlFtpSession, UploadLandsAtTheBackslashPathSizeAndDeleteFollow) {
    TerminalSimProcess sim;
    ASSERT_SIM(sim);
    CCurlFtpSession ftp;
    // Idle: everything but Connect/Disconnect is false.
    EXPECT_FALSE(ftp.ChangeDirectory(L""));
    EXPECT_FALSE(ftp.PutFile(L"/nothing", L"\\x", false));
    uint64_t size = 0;
    EXPECT_EQ(ftp.QueryRemoteFileSize(L"\\x", &size), Size::Unknown);
    EXPECT_FALSE(ftp.DeleteRemoteFile(L"\\x"));
    EXPECT_TRUE(ftp.Disconnect());

    ASSERT_TRUE(ftp.Connect(kHost, sim.Terminal().ftpPort, L"admin", kPassword)) << ftp.LastError();
    EXPECT_TRUE(sim.WaitForJournal("\"user\": \"admin\", \"ok\": true", 1, 5));

    std::string bytes = RandomBytes(3u << 20, 11);
    bytes += "line\r\nnext\nlone\r";
    std::vector<std::pair<uint64_t, uint64_t>> progress;
    uint64_t storedAtWhole = 0;  // what the terminal held when the whole file was reported
    ftp.SetTransferProgress([&](uint64_t sent, uint64_t total) {
        progress.emplace_back(sent, total);
        if (sent == total) storedAtWhole = Stored(sim, "Storage Card/AppUpgradePack.zip").size();
    });
    const std::string local = LocalFile(sim, "pack.zip", bytes);
    ASSERT_TRUE(ftp.PutFile(Widen(local), L"\\Storage Card\\AppUpgradePack.zip", true)) << ftp.LastError();
    EXPECT_TRUE(Stored(sim, "Storage Card/AppUpgradePack.zip") == bytes);
    EXPECT_TRUE(sim.WaitForJournal("\"path\": \"Storage Card/AppUpgradePack.zip\", \"size\": " +
                                       std::to_string(bytes.size()),
                                   1, 5));
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), std::make_pair(uint64_t(bytes.size()), uint64_t(bytes.size())));
    for (size_t i = 1; i < progress.size(); ++i) EXPECT_LE(progress[i - 1].first, progress[i].first);
    for (size_t i = 0; i + 1 < progress.size(); ++i) EXPECT_LT(progress[i].first, bytes.size());
    EXPECT_EQ(storedAtWhole, bytes.size());

    ASSERT_EQ(ftp.QueryRemoteFileSize(L"\\Storage Card\\AppUpgradePack.zip", &size), Size::Sized) << ftp.LastError();
    EXPECT_EQ(size, bytes.size());
    EXPECT_EQ(ftp.QueryRemoteFileSize(L"\\Storage Card\\NoSuchPack.zip", &size), Size::Missing);

    EXPECT_TRUE(ftp.DeleteRemoteFile(L"\\Storage Card\\AppUpgradePack.zip")) << ftp.LastError();
    EXPECT_FALSE(std::filesystem::exists(sim.Terminal().root + "/Storage Card/AppUpgradePack.zip"));
    EXPECT_FALSE(ftp.DeleteRemoteFile(L"\\Storage Card\\AppUpgradePack.zip"));
    EXPECT_EQ(ftp.QueryRemoteFileSize(L"\\Storage Card\\AppUpgradePack.zip", &size), Size::Missing);

    // The session goes on after the failed commands; an empty file too.
    ftp.SetTransferProgress(nullptr);
    EXPECT_TRUE(ftp.PutFile(Widen(LocalFile(sim, "empty", "")), L"\\HardDisk\\SystemUpgradeFlag.cfg", true));
    EXPECT_EQ(Stored(sim, "HardDisk/SystemUpgradeFlag.cfg"), "");
    EXPECT_FALSE(ftp.PutFile(L"/no/such/local.zip", L"\\x.zip", true));
    // Refused SIZE and DELE kept the one control connection (one login).
    EXPECT_EQ(sim.CountJournal("\"event\": \"login\""), 1u);

    // SIZE on a fresh connection (ASCII mode until told otherwise).
    ASSERT_TRUE(ftp.Connect(kHost, sim.Terminal().ftpPort, L"admin", kPassword));
    EXPECT_TRUE(ftp.RemoteFileSize(L"\\HardDisk\\SystemUpgradeFlag.cfg", &size)) << ftp.LastError();
    EXPECT_EQ(size, 0u);
    ftp.Disconnect();

    ftp.Disconnect();
    EXPECT_TRUE(sim.WaitForJournal("\"event\": \"disconnect\"", 1, 5));
    EXPECT_FALSE(ftp.PutFile(Widen(local), L"\\after.zip", true));
}

// SIZE as the first command of a fresh connection (ASCII mode, no transfer
// before it): only a 550 says a file is missing; a server without SIZE or a
// connection that goes down (at TYPE I or at SIZE, right after a refused
// DELE's 550) says nothing.
TEST(CurlFtpSession, SizeSaysSizedMissingOrUnknown) {
    struct Row {
        std::vector<std::string> faults;
        Size present, absent;
    };
    const Row rows[] = {
        {{}, Size::Sized, Size::Missing},
        {{"--no-size"}, Size::Unknown, Size::Unknown},
        {{"--hang-up-on", "SIZE"}, Size::Unknown, Size::Unknown},
        {{"--hang-up-on", "TYPE"}, Size::Unknown, Size::Unknown},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.faults.empty() ? "normal" : row.faults.back());
        TerminalSimProcess sim(row.faults);
        ASSERT_SIM(sim);
        ASSERT_TRUE(WriteWholeFile(sim.Terminal().root + "/HardDisk/SystemUpgradeFlag.cfg", "11"));
        for (bool present : {true, false}) {
            CCurlFtpSession ftp;
            ASSERT_TRUE(ftp.Connect(kHost, sim.Terminal().ftpPort, L"admin", kPassword)) << ftp.LastError();
            const wchar_t* path = present ? L"\\HardDisk\\SystemUpgradeFlag.cfg" : L"\\HardDisk\\NoSuchFlag.cfg";
            if (!present) {
                EXPECT_FALSE(ftp.DeleteRemoteFile(path));
            }
            uint64_t size = 7;
            const Size answer = ftp.QueryRemoteFileSize(path, &size);
            EXPECT_EQ(answer, present ? row.present : row.absent) << present << " " << ftp.LastError();
            EXPECT_EQ(size, answer == Size::Sized ? 2u : 7u);
        }
        // The hang-up rows did go down where they say.
        EXPECT_EQ(sim.CountJournal("\"hang-up\""), row.faults.size() == 2 ? 2u : 0u);
    }
}

TEST(CurlFtpSession, DirectoriesAndTransferFalseSendNothingMore) {
    TerminalSimProcess sim;
    ASSERT_SIM(sim);
    CCurlFtpSession ftp;
    ASSERT_TRUE(ftp.Connect(kHost, sim.Terminal().ftpPort, L"update", kPassword)) << ftp.LastError();
    EXPECT_TRUE(ftp.ChangeDirectory(L""));
    EXPECT_FALSE(ftp.ChangeDirectory(L"\\No Such Folder"));
    EXPECT_TRUE(ftp.PutFile(Widen(LocalFile(sim, "never", "data")), L"\\never-sent.bin", false));

    // A relative name lands in the current folder, also after another upload
    // and after SIZE on the same connection.
    ASSERT_TRUE(ftp.ChangeDirectory(L"\\Storage Card")) << ftp.LastError();
    EXPECT_TRUE(ftp.PutFile(Widen(LocalFile(sim, "a", "first")), L"first.txt", true)) << ftp.LastError();
    EXPECT_TRUE(ftp.PutFile(Widen(LocalFile(sim, "b", "11")), L"\\HardDisk\\flag.cfg", true));
    uint64_t size = 0;
    EXPECT_TRUE(ftp.RemoteFileSize(L"first.txt", &size));
    EXPECT_EQ(size, 5u);
    EXPECT_TRUE(ftp.PutFile(Widen(LocalFile(sim, "c", "second")), L"second.txt", true));
    EXPECT_EQ(Stored(sim, "Storage Card/first.txt"), "first");
    EXPECT_EQ(Stored(sim, "Storage Card/second.txt"), "second");
    EXPECT_EQ(Stored(sim, "HardDisk/flag.cfg"), "11");

    EXPECT_EQ(sim.CountJournal("never-sent"), 0u);
    EXPECT_FALSE(std::filesystem::exists(sim.Terminal().root + "/never-sent.bin"));
    // A remote path that would break the command line is refused.
    EXPECT_FALSE(ftp.DeleteRemoteFile(L"\\x\r\nDELE \\Storage Card\\first.txt"));
    EXPECT_EQ(Stored(sim, "Storage Card/first.txt"), "first");
}

// Remote paths go in the ANSI code page (GBK, 936), as WinInet sends them:
// "升级" is C9 FD BC B6 on the wire. The simulator (pyftpdlib) reads
// command lines as UTF-8 and turns each of those bytes into U+FFFD.
TEST(CurlFtpSession, RemotePathsGoInTheAnsiCodePage) {
    TerminalSimProcess sim;
    ASSERT_SIM(sim);
    CCurlFtpSession ftp;
    ASSERT_TRUE(ftp.Connect(kHost, sim.Terminal().ftpPort, L"admin", kPassword));
    EXPECT_TRUE(ftp.PutFile(Widen(LocalFile(sim, "p", "gbk")), L"\\Storage Card\\\u5347\u7EA7.zip", true));
    EXPECT_EQ(Stored(sim, "Storage Card/\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD.zip"), "gbk");
    EXPECT_TRUE(sim.WaitForJournal("\"path\": \"Storage Card/\uFFFD\uFFFD\uFFFD\uFFFD.zip\"", 1, 5));
}

TEST(CurlFtpSession, RefusedSilentOrAbsentServerFailsConnectWithinTheLimit) {
    TerminalSimProcess refuse({"--refuse-login"});
    TerminalSimProcess silent({"--silent"});
    ASSERT_SIM(refuse);
    ASSERT_SIM(silent);
    CCurlFtpSession ftp;

    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(ftp.Connect(kHost, refuse.Terminal().ftpPort, L"admin", kPassword));
    EXPECT_LT(SecondsSince(start), 5.5);
    EXPECT_FALSE(ftp.IsConnected());
    EXPECT_FALSE(ftp.PutFile(L"/nothing", L"\\x", false));
    EXPECT_TRUE(refuse.WaitForJournal("\"user\": \"admin\", \"ok\": false", 1, 5));

    start = std::chrono::steady_clock::now();
    EXPECT_FALSE(ftp.Connect(kHost, silent.Terminal().ftpPort, L"admin", kPassword));
    double waited = SecondsSince(start);
    EXPECT_GT(waited, 4.5);
    EXPECT_LT(waited, 6.5);
    EXPECT_FALSE(ftp.IsConnected());
    EXPECT_FALSE(ftp.ChangeDirectory(L""));

    start = std::chrono::steady_clock::now();
    EXPECT_FALSE(ftp.Connect(kHost, ClosedLoopbackPort(), L"admin", kPassword));
    EXPECT_LT(SecondsSince(start), 3.0);
}

TEST(CurlFtpSession, CutOrFullUploadFailsAndTheSessionGoesOn) {
    TerminalSimProcess drop({"--drop-data-after", "65536"});
    TerminalSimProcess quota({"--quota", "1048576"});
    ASSERT_SIM(drop);
    ASSERT_SIM(quota);
    const std::string big = LocalFile(drop, "big.zip", RandomBytes(4u << 20, 5));

    CCurlFtpSession ftp;
    ASSERT_TRUE(ftp.Connect(kHost, drop.Terminal().ftpPort, L"admin", kPassword));
    EXPECT_FALSE(ftp.PutFile(Widen(big), L"\\Storage Card\\AppUpgradePack.zip", true));
    EXPECT_TRUE(drop.WaitForJournal("\"ok\": false", 1, 5));
    // A small file below the cut still goes through on the same session.
    EXPECT_TRUE(ftp.PutFile(Widen(LocalFile(drop, "small", "11")), L"\\Storage Card\\flag.cfg", true))
        << ftp.LastError();
    EXPECT_EQ(Stored(drop, "Storage Card/flag.cfg"), "11");

    ASSERT_TRUE(ftp.Connect(kHost, quota.Terminal().ftpPort, L"admin", kPassword));
    EXPECT_FALSE(ftp.PutFile(Widen(big), L"\\Storage Card\\AppUpgradePack.zip", true));
}

TEST(PosixStartCommand, NineBytesArriveAndAClosedPortFailsConnect) {
    TerminalSimProcess sim;
    ASSERT_SIM(sim);
    {
        CStartClient start(static_cast<uint16_t>(sim.Terminal().startPort));
        EXPECT_FALSE(start.SendStartCommand());  // nothing held
        ASSERT_TRUE(start.Connect(L"127.0.0.1"));
        EXPECT_TRUE(start.SendStartCommand());
        start.Close();
        EXPECT_FALSE(start.IsConnected());
    }
    EXPECT_TRUE(sim.WaitForJournal("\"size\": 9, \"hex\": \"040000000100000000\", \"valid\": true", 1, 5));

    CStartClient closed(static_cast<uint16_t>(ClosedLoopbackPort()));
    auto begin = std::chrono::steady_clock::now();
    EXPECT_FALSE(closed.Connect(L"127.0.0.1"));
    EXPECT_LT(SecondsSince(begin), 3.0);
    EXPECT_FALSE(closed.SendStartCommand());
    EXPECT_FALSE(closed.Connect(L"not an address"));
    EXPECT_FALSE(closed.Connect(L"255.255.255.255"));
    EXPECT_EQ(CStartClient::kDefaultPort, 3002);
}

}  // namespace
