#pragma once
// The PC's own IPv4 address, which the terminal address must not be.
#include <string>

// Dotted text of the first address the host name resolves to; "0.0.0.0"
// when the socket library cannot start or the name does not resolve.
// (Windows build.)
std::wstring GetLocalAddress();
