#pragma once
// Reading the FTP server's reply lines.
#include <cstdint>
#include <string>

// The byte count of a "213 <bytes>" reply to SIZE (the last line of the
// reply text counts; leading blank lines and a trailing CR LF are ignored).
// False for any other code or a number that does not fit 64 bits.
bool ParseSizeReply(const std::wstring& reply, unsigned long long* size);
