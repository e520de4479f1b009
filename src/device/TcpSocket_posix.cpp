#include "device/TcpSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tcp {

namespace {
bool SetNonBlocking(int s, bool on) {
    int flags = fcntl(s, F_GETFL, 0);
    if (flags < 0) return false;
    flags = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return fcntl(s, F_SETFL, flags) == 0;
}

bool ConnectSocket(int s, const sockaddr_in& to, unsigned timeoutMs) {
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

bool ParseIPv4(const std::string& text, uint32_t* address) {
    in_addr host{};
    if (inet_aton(text.c_str(), &host) == 0 || host.s_addr == INADDR_NONE) return false;
    *address = host.s_addr;
    return true;
}

Socket ConnectWithin(uint32_t address, uint16_t port, unsigned timeoutMs) {
    int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (s < 0) return kNoSocket;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = address;
    if (!ConnectSocket(s, to, timeoutMs)) {
        close(s);
        return kNoSocket;
    }
    return s;
}

int SendSome(Socket s, const char* data, int length) {
    for (;;) {
        const ssize_t sent = send(static_cast<int>(s), data, static_cast<size_t>(length), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        return static_cast<int>(sent);
    }
}

void Close(Socket s) { close(static_cast<int>(s)); }

}  // namespace tcp
