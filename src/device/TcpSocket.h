#pragma once
// The little of TCP the start command needs, one implementation per
// platform (Winsock, POSIX sockets): parse a dotted IPv4 address, connect
// with a time limit, send, close.
#include <cstdint>
#include <string>

namespace tcp {

using Socket = intptr_t;
inline constexpr Socket kNoSocket = -1;

// The address in network byte order. The forms inet_addr accepts
// (inet_aton's natively); 255.255.255.255 is refused, as inet_addr cannot
// tell it from an error.
bool ParseIPv4(const std::string& text, uint32_t* address);

// A connected socket, or kNoSocket when the connection is refused, fails
// or is not made within `timeoutMs` (an interrupted wait goes on with the
// time that is left).
Socket ConnectWithin(uint32_t address, uint16_t port, unsigned timeoutMs);

// Sends what the system takes of `data` at once: the bytes sent, 0 or less
// when the send failed. Never raises SIGPIPE.
int SendSome(Socket s, const char* data, int length);

void Close(Socket s);

}  // namespace tcp
