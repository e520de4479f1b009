#pragma once
// The VK1200 start command of the native (Linux) build over POSIX sockets:
// the same behaviour as the Windows program's CStartClient, behind the
// run's IStartCommand seam. Connect makes a non-blocking TCP connection to
// the dotted IPv4 address on the port (3002 by default) and gives up after
// the limit (5 s); SendStartCommand sends 04 00 00 00 01 00 00 00 00 and is
// true only when all nine bytes went. Nothing is read back.
#include <cstdint>
#include <string>

#include "device/Connections.h"

class CPosixStartCommand : public IStartCommand {
public:
    static constexpr uint16_t kDefaultPort = startcommand::kPort;
    static constexpr unsigned kConnectTimeoutMs = startcommand::kConnectTimeoutMs;

    explicit CPosixStartCommand(uint16_t port = kDefaultPort, unsigned connectTimeoutMs = kConnectTimeoutMs);
    ~CPosixStartCommand() override;
    CPosixStartCommand(const CPosixStartCommand&) = delete;
    CPosixStartCommand& operator=(const CPosixStartCommand&) = delete;

    // Closes a socket still held, then connects (address in the ANSI code
    // page, as on Windows; inet_aton's forms, 255.255.255.255 refused like
    // inet_addr's INADDR_NONE).
    bool Connect(const std::wstring& address) override;
    // True when exactly 9 bytes were sent.
    bool SendStartCommand() override;
    // Sends until everything went or a send fails; the bytes sent, 0 when no
    // socket is held. Never raises SIGPIPE.
    int Send(const char* data, int length);
    void Close() override;

    bool IsConnected() const { return m_socket >= 0; }

private:
    uint16_t m_port;
    unsigned m_connectTimeoutMs;
    int m_socket = -1;
};
