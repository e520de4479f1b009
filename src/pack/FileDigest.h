#pragma once
// MD5 of a whole file named by a wide path, for comparing two copies of a
// pack. Unlike the manifest's reader, a read error is a failure here, never
// a digest of part of the file.
#include <cstdio>
#include <string>

// 32 lowercase hexadecimal digits of the file's MD5; false when the file
// cannot be opened or read to its end.
bool FileMD5Hex(const std::wstring& path, std::string* hex);

// The same over an open stream, read from its current position to its end.
bool StreamMD5Hex(FILE* stream, std::string* hex);

// The hexadecimal text of a 16-byte digest.
std::string DigestHex(const unsigned char digest[16]);
