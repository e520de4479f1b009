// CStartClient against listeners of the test's own on loopback.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "device/StartClient.h"

namespace {

struct Winsock {
    Winsock() {
        WSADATA d;
        WSAStartup(MAKEWORD(2, 2), &d);
    }
    ~Winsock() { WSACleanup(); }
};

// A loopback listening socket on a free port.
class Listener {
public:
    explicit Listener(int backlog = 8) {
        m_socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_socket, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(m_socket, backlog);
        int len = sizeof a;
        getsockname(m_socket, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
    }
    ~Listener() { Close(); }
    void Close() {
        if (m_socket != INVALID_SOCKET) closesocket(m_socket);
        m_socket = INVALID_SOCKET;
    }
    uint16_t Port() const { return m_port; }
    // The next connection, or INVALID_SOCKET after `ms`.
    SOCKET Accept(int ms = 5000) {
        if (!Readable(m_socket, ms)) return INVALID_SOCKET;
        return accept(m_socket, nullptr, nullptr);
    }
    static bool Readable(SOCKET s, int ms) {
        fd_set r;
        FD_ZERO(&r);
        FD_SET(s, &r);
        timeval t{ms / 1000, (ms % 1000) * 1000};
        return select(0, &r, nullptr, nullptr, &t) == 1;
    }
    // Everything the peer sends until it closes (or `ms` of silence).
    static std::vector<unsigned char> ReadAll(SOCKET s, int ms = 5000) {
        std::vector<unsigned char> data;
        char buf[256];
        while (Readable(s, ms)) {
            int n = recv(s, buf, sizeof buf, 0);
            if (n <= 0) break;
            data.insert(data.end(), buf, buf + n);
        }
        return data;
    }

private:
    SOCKET m_socket = INVALID_SOCKET;
    uint16_t m_port = 0;
};

TEST(StartClient, SendsExactlyTheNineCommandBytes) {
    Winsock ws;
    Listener listener;
    CStartClient client(listener.Port());
    ASSERT_TRUE(client.Connect(L"127.0.0.1"));
    SOCKET peer = listener.Accept();
    ASSERT_NE(peer, INVALID_SOCKET);
    EXPECT_TRUE(client.SendStartCommand());
    client.Close();
    std::vector<unsigned char> expected = {0x04, 0, 0, 0, 0x01, 0, 0, 0, 0};
    EXPECT_EQ(Listener::ReadAll(peer), expected);
    closesocket(peer);
}

TEST(StartClient, SecondConnectClosesTheFirstSocket) {
    Winsock ws;
    Listener listener;
    CStartClient client(listener.Port());
    ASSERT_TRUE(client.Connect(L"127.0.0.1"));
    SOCKET first = listener.Accept();
    ASSERT_NE(first, INVALID_SOCKET);
    ASSERT_TRUE(client.Connect(L"127.0.0.1"));
    SOCKET second = listener.Accept();
    ASSERT_NE(second, INVALID_SOCKET);
    EXPECT_TRUE(Listener::ReadAll(first, 3000).empty());  // closed by the client, nothing sent
    EXPECT_TRUE(client.SendStartCommand());
    client.Close();
    EXPECT_EQ(Listener::ReadAll(second).size(), 9u);
    closesocket(first);
    closesocket(second);
}

TEST(StartClient, FailsWithoutAConnection) {
    Winsock ws;
    Listener listener;
    uint16_t closedPort = listener.Port();
    listener.Close();

    CStartClient client(closedPort);
    EXPECT_FALSE(client.SendStartCommand());
    EXPECT_EQ(client.Send("abc", 3), 0);
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client.Connect(L"127.0.0.1"));  // refused
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 3.0);
    EXPECT_FALSE(client.SendStartCommand());
    EXPECT_FALSE(client.Connect(L""));
    EXPECT_FALSE(client.Connect(L"terminal"));
    EXPECT_FALSE(client.Connect(L"192.168.1"));
    client.Close();  // nothing held: no effect
}

// A terminal whose accept queue is full never completes the handshake:
// Connect gives up after about 5 s instead of the system's ~21 s.
TEST(StartClient, UnansweredConnectEndsAfterTheTimeOut) {
    Winsock ws;
    Listener listener(1);
    std::vector<SOCKET> fillers;
    bool queueFull = false;
    for (int i = 0; i < 16 && !queueFull; ++i) {
        SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        u_long on = 1;
        ioctlsocket(s, FIONBIO, &on);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(listener.Port());
        connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
        fd_set w;
        FD_ZERO(&w);
        FD_SET(s, &w);
        timeval t{0, 300000};
        queueFull = select(0, nullptr, &w, nullptr, &t) == 0;
        fillers.push_back(s);
    }
    if (!queueFull) {
        for (SOCKET s : fillers) closesocket(s);
        GTEST_SKIP() << "this system completes every loopback handshake";
    }
    CStartClient client(listener.Port());
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client.Connect(L"127.0.0.1"));
    double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GT(waited, 4.5);
    EXPECT_LT(waited, 9.0);
    for (SOCKET s : fillers) closesocket(s);
}

}  // namespace
