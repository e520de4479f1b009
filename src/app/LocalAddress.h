#pragma once
// The PC's own IPv4 address, which the terminal address must not be.
#include <string>
#include <vector>

// Dotted text of the first address the host name resolves to; "0.0.0.0"
// when the socket library cannot start or the name does not resolve.
// (Windows build.)
std::wstring GetLocalAddress();

// Every IPv4 address of this PC, in dotted text, none twice: natively every
// interface's (getifaddrs, loopback included), on Windows every address the
// host name resolves to. Empty when none can be read.
std::vector<std::wstring> GetLocalAddresses();
