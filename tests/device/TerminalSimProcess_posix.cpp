#include "TerminalSimProcess_posix.h"

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#ifndef QUILLON_SIMULATOR
#error QUILLON_SIMULATOR must name tools/terminal-sim/terminal_sim.py
#endif

namespace {

constexpr double kReadyWaitSeconds = 20;
constexpr const char* kLifetime = "600";  // the simulator ends itself if we are killed

std::map<std::string, std::string> ReadKeyValues(const std::string& path) {
    std::map<std::string, std::string> values;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        size_t eq = line.find('=');
        if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

bool Reap(pid_t pid, double seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    do {
        pid_t r = waitpid(pid, nullptr, WNOHANG);
        if (r == pid || (r < 0 && errno == ECHILD)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

}  // namespace

TerminalSimProcess::TerminalSimProcess(std::vector<std::string> faults) {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillon-sim-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        m_error = "mkdtemp failed";
        return;
    }
    m_folder = pattern;
    const std::string ready = m_folder + "/ready";
    std::vector<std::string> args{"/usr/bin/python3", QUILLON_SIMULATOR, "--host", "127.0.0.1",
                                  "--ftp-port", "0", "--start-port", "0",
                                  "--root", m_folder + "/root", "--journal", m_folder + "/j.jsonl",
                                  "--ready-file", ready, "--lifetime", kLifetime};
    args.insert(args.end(), faults.begin(), faults.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string log = m_folder + "/log";

    m_pid = fork();
    if (m_pid == 0) {
        int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
        }
        int null = open("/dev/null", O_RDONLY);
        if (null >= 0) dup2(null, 0);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (m_pid < 0) {
        m_error = "fork failed";
        return;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(kReadyWaitSeconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (access(ready.c_str(), F_OK) == 0) break;
        if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
            m_pid = -1;
            m_error = "the simulator ended before it was ready; see its log";
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::map<std::string, std::string> values = ReadKeyValues(ready);
    if (!values.count("ftp_port") || !values.count("start_port")) {
        m_error = "the simulator did not write " + ready + " in time";
        return;
    }
    m_terminal.ftpPort = std::atoi(values["ftp_port"].c_str());
    m_terminal.startPort = std::atoi(values["start_port"].c_str());
    m_terminal.root = values["root"];
    m_terminal.journal = values["journal"];
    m_ready = true;
}

TerminalSimProcess::~TerminalSimProcess() {
    Stop();
    if (!m_folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
}

void TerminalSimProcess::Stop() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGTERM);
    if (!Reap(m_pid, 5)) {
        kill(m_pid, SIGKILL);
        Reap(m_pid, 5);
    }
    m_pid = -1;
}

size_t TerminalSimProcess::CountJournal(const std::string& needle) const {
    std::vector<std::string> lines = ReadJournal(m_terminal);
    return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
        return l.find(needle) != std::string::npos;
    }));
}

bool TerminalSimProcess::WaitForJournal(const std::string& needle, size_t count, double seconds) const {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        if (CountJournal(needle) >= count) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

int ClosedLoopbackPort() {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    close(s);
    return ntohs(a.sin_port);
}
