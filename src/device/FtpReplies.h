#pragma once
// Reading the FTP server's reply lines.
#include <cstdint>
#include <string>

#include "device/Connections.h"

// The byte count of a "213 <bytes>" reply to SIZE (the last line of the
// reply text counts; leading blank lines and a trailing CR LF are ignored).
// False for any other code or a number that does not fit 64 bits.
bool ParseSizeReply(const std::wstring& reply, unsigned long long* size);

// What a reply other than "213 <bytes>" says of the file: 550 (its final
// line) is "no such file"; every other reply says nothing.
IFtpSession::SizeAnswer SizeReplyAnswer(const std::wstring& reply);
