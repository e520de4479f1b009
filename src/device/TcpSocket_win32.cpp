#include "device/TcpSocket.h"

#include <winsock2.h>
#include <windows.h>

namespace tcp {

namespace {

// The socket library, started once for the whole process the first time
// it is needed, and ended when the process ends.
class SocketLibrary {
public:
    SocketLibrary() {
        WSADATA data;
        m_started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~SocketLibrary() {
        if (m_started) WSACleanup();
    }
    bool Started() const { return m_started; }

private:
    bool m_started = false;
};

bool SocketLibraryStarted() {
    static const SocketLibrary library;  // thread-safe one-time start
    return library.Started();
}

bool SetNonBlocking(SOCKET s, bool on) {
    u_long mode = on ? 1 : 0;
    return ioctlsocket(s, FIONBIO, &mode) == 0;
}

bool ConnectSocket(SOCKET s, const sockaddr_in& to, unsigned timeoutMs) {
    if (!SetNonBlocking(s, true)) return false;
    if (connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) == SOCKET_ERROR) {
        if (WSAGetLastError() != WSAEWOULDBLOCK) return false;
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(s, &writable);
        FD_SET(s, &failed);
        timeval limit{static_cast<long>(timeoutMs / 1000), static_cast<long>((timeoutMs % 1000) * 1000)};
        if (select(0, nullptr, &writable, &failed, &limit) <= 0 || !FD_ISSET(s, &writable)) return false;
        int error = 0;
        int length = sizeof error;
        if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0 || error != 0)
            return false;
    }
    return SetNonBlocking(s, false);
}

}  // namespace

bool ParseIPv4(const std::string& text, uint32_t* address) {
    if (!SocketLibraryStarted()) return false;
    const unsigned long host = inet_addr(text.c_str());
    if (host == INADDR_NONE) return false;
    *address = static_cast<uint32_t>(host);
    return true;
}

Socket ConnectWithin(uint32_t address, uint16_t port, unsigned timeoutMs) {
    if (!SocketLibraryStarted()) return kNoSocket;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return kNoSocket;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = address;
    if (!ConnectSocket(s, to, timeoutMs)) {
        closesocket(s);
        return kNoSocket;
    }
    return static_cast<Socket>(s);
}

int SendSome(Socket s, const char* data, int length) {
    const int sent = send(static_cast<SOCKET>(s), data, length, 0);
    return sent == SOCKET_ERROR ? -1 : sent;
}

void Close(Socket s) { closesocket(static_cast<SOCKET>(s)); }

}  // namespace tcp
