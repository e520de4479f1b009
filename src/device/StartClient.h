#pragma once
// Sends the 9-byte start-upgrade command to a terminal's TCP port (3002):
// 04 00 00 00 01 00 00 00 00. Nothing is read back; success means the
// connection was made (within the limit, 5 s) and all nine bytes went to
// the socket. Portable, over the platform's sockets (TcpSocket.h); used on
// the worker thread of an Ethernet run, one run at a time.
#include <cstdint>
#include <string>

#include "device/Connections.h"
#include "device/TcpSocket.h"

class CStartClient : public IStartCommand {
public:
    static constexpr uint16_t kDefaultPort = startcommand::kPort;
    static constexpr unsigned kConnectTimeoutMs = startcommand::kConnectTimeoutMs;

    explicit CStartClient(uint16_t port = kDefaultPort, unsigned connectTimeoutMs = kConnectTimeoutMs);
    ~CStartClient() override;
    CStartClient(const CStartClient&) = delete;
    CStartClient& operator=(const CStartClient&) = delete;

    // Closes a socket still held, then connects to the dotted IPv4 address
    // (converted to the ANSI code page) on the client's port.
    bool Connect(const std::wstring& address) override;
    // True when exactly 9 bytes were sent.
    bool SendStartCommand() override;
    // Sends until everything went or a send fails; the number of bytes
    // sent, 0 when no socket is held.
    int Send(const char* data, int length);
    void Close() override;

    bool IsConnected() const { return m_socket != tcp::kNoSocket; }

private:
    uint16_t m_port;
    unsigned m_connectTimeoutMs;
    tcp::Socket m_socket = tcp::kNoSocket;
};
