#include "device/PosixStartCommand_posix.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/Text.h"

namespace {

bool SetNonBlocking(int s, bool on) {
    int flags = fcntl(s, F_GETFL, 0);
    if (flags < 0) return false;
    flags = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return fcntl(s, F_SETFL, flags) == 0;
}

// Connects without blocking longer than `timeoutMs` (an interrupted wait
// goes on with the time that is left).
bool ConnectWithin(int s, const sockaddr_in& to, unsigned timeoutMs) {
    if (!SetNonBlocking(s, true)) return false;
    if (connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
        if (errno != EINPROGRESS) return false;
        using Clock = std::chrono::steady_clock;
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left < 0) left = 0;
            pollfd p{s, POLLOUT, 0};
            int r = poll(&p, 1, static_cast<int>(left));
            if (r > 0) break;
            if (r == 0) return false;  // time is up
            if (errno != EINTR) return false;
        }
        int error = 0;
        socklen_t length = sizeof error;
        if (getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) return false;
    }
    return SetNonBlocking(s, false);
}

}  // namespace

CPosixStartCommand::CPosixStartCommand(uint16_t port, unsigned connectTimeoutMs)
    : m_port(port), m_connectTimeoutMs(connectTimeoutMs) {}

CPosixStartCommand::~CPosixStartCommand() { Close(); }

bool CPosixStartCommand::Connect(const std::wstring& address) {
    Close();
    const std::string text = platform::WideToAnsi(address);
    in_addr host{};
    if (inet_aton(text.c_str(), &host) == 0 || host.s_addr == INADDR_NONE) return false;

    int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (s < 0) return false;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(m_port);
    to.sin_addr = host;
    if (!ConnectWithin(s, to, m_connectTimeoutMs)) {
        close(s);
        return false;
    }
    m_socket = s;
    return true;
}

bool CPosixStartCommand::SendStartCommand() {
    return Send(startcommand::kBytes, sizeof startcommand::kBytes) == static_cast<int>(sizeof startcommand::kBytes);
}

int CPosixStartCommand::Send(const char* data, int length) {
    if (m_socket < 0 || length <= 0) return 0;
    int total = 0;
    while (total < length) {
        ssize_t sent = send(m_socket, data + total, static_cast<size_t>(length - total), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) break;
        total += static_cast<int>(sent);
    }
    return total;
}

void CPosixStartCommand::Close() {
    if (m_socket < 0) return;
    close(m_socket);
    m_socket = -1;
}
