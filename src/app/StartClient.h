#pragma once
// Sends the 9-byte start-upgrade command to a terminal's TCP port (3002):
// 04 00 00 00 01 00 00 00 00. Nothing is read back; success means the
// connection was made and all nine bytes went to the socket. Used on the
// worker thread of an Ethernet run, one run at a time.
#include <cstdint>
#include <string>

class CStartClient {
public:
    static constexpr uint16_t kDefaultPort = 3002;
    // Instead of the system's ~21 s: a terminal that does not take the
    // connection within this time is reported as failed.
    static constexpr unsigned kConnectTimeoutMs = 5000;

    explicit CStartClient(uint16_t port = kDefaultPort, unsigned connectTimeoutMs = kConnectTimeoutMs);
    virtual ~CStartClient();
    CStartClient(const CStartClient&) = delete;
    CStartClient& operator=(const CStartClient&) = delete;

    // Closes a socket still held, then connects to the dotted IPv4 address
    // (converted to the ANSI code page) on the client's port.
    bool Connect(const std::wstring& address);

    // True when exactly 9 bytes were sent.
    bool SendStartCommand();

    // Sends until everything went or a send fails; the number of bytes
    // sent, 0 when no socket is held.
    int Send(const char* data, int length);

    void Close();

private:
    uint16_t m_port;
    unsigned m_connectTimeoutMs;
    uintptr_t m_socket;  // a SOCKET; INVALID_SOCKET when none is held
};
