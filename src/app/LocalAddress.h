#pragma once
// The PC's own IPv4 address, which the terminal address must not be.
#include <string>
#include <vector>

// One address of this PC in dotted text, the one the window's address rule
// compares with: on Windows the first the host name resolves to, natively
// the first interface address that is not loopback; "0.0.0.0" when none
// can be read. (LocalAddress_win32.cpp, LocalAddress_posix.cpp.)
std::wstring GetLocalAddress();

// Every IPv4 address of this PC, in dotted text, none twice: natively every
// interface's (getifaddrs, loopback included), on Windows every address the
// host name resolves to. Empty when none can be read.
std::vector<std::wstring> GetLocalAddresses();
