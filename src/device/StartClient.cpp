#include "device/StartClient.h"

#include "platform/Text.h"

CStartClient::CStartClient(uint16_t port, unsigned connectTimeoutMs)
    : m_port(port), m_connectTimeoutMs(connectTimeoutMs) {}

CStartClient::~CStartClient() { Close(); }

bool CStartClient::Connect(const std::wstring& address) {
    Close();
    uint32_t host = 0;
    if (!tcp::ParseIPv4(platform::WideToAnsi(address), &host)) return false;
    m_socket = tcp::ConnectWithin(host, m_port, m_connectTimeoutMs);
    return IsConnected();
}

bool CStartClient::SendStartCommand() {
    return Send(startcommand::kBytes, sizeof startcommand::kBytes) == static_cast<int>(sizeof startcommand::kBytes);
}

int CStartClient::Send(const char* data, int length) {
    if (!IsConnected() || length <= 0) return 0;
    int total = 0;
    while (total < length) {
        const int sent = tcp::SendSome(m_socket, data + total, length - total);
        if (sent <= 0) break;
        total += sent;
    }
    return total;
}

void CStartClient::Close() {
    if (!IsConnected()) return;
    tcp::Close(m_socket);
    m_socket = tcp::kNoSocket;
}
