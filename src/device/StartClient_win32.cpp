#include "device/StartClient.h"

#include <winsock2.h>
#include <windows.h>

#include "platform/Text.h"

namespace {

// The socket library, started once for the whole process the first time
// the start command needs it, and ended when the process ends.
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

// Connects without blocking longer than `timeoutMs`.
bool ConnectWithin(SOCKET s, const sockaddr_in& to, unsigned timeoutMs) {
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

CStartClient::CStartClient(uint16_t port, unsigned connectTimeoutMs)
    : m_port(port), m_connectTimeoutMs(connectTimeoutMs), m_socket(INVALID_SOCKET) {}

CStartClient::~CStartClient() { Close(); }

bool CStartClient::Connect(const std::wstring& address) {
    Close();
    if (!SocketLibraryStarted()) return false;
    std::string text = platform::WideToAnsi(address);
    unsigned long host = inet_addr(text.c_str());
    if (host == INADDR_NONE) return false;

    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return false;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(m_port);
    to.sin_addr.s_addr = host;
    if (!ConnectWithin(s, to, m_connectTimeoutMs)) {
        closesocket(s);
        return false;
    }
    m_socket = s;
    return true;
}

bool CStartClient::SendStartCommand() {
    return Send(startcommand::kBytes, sizeof startcommand::kBytes) == static_cast<int>(sizeof startcommand::kBytes);
}

int CStartClient::Send(const char* data, int length) {
    if (m_socket == INVALID_SOCKET) return 0;
    int total = 0;
    while (total < length) {
        int sent = send(static_cast<SOCKET>(m_socket), data + total, length - total, 0);
        if (sent == SOCKET_ERROR || sent == 0) break;
        total += sent;
    }
    return total;
}

void CStartClient::Close() {
    if (m_socket == INVALID_SOCKET) return;
    closesocket(static_cast<SOCKET>(m_socket));
    m_socket = INVALID_SOCKET;
}
