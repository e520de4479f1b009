#pragma once
// MD5 of whole files, read in 64 KiB blocks straight into a buffer of each
// call's own (concurrent calls share nothing; memory does not grow with
// the file).
#include <cstdio>
#include <string>

// Digests `stream` from its current position to its end. True when it was
// read to its end; on a read error the digest covers what came and the
// result is false. False with the stream's error indicator clear: no
// digest was made (its read buffer could not be allocated).
bool StreamMD5(FILE* stream, unsigned char digest[16]);

// 32 lowercase hexadecimal digits of the file's MD5; false when the file
// cannot be opened or read to its end (a copy on a terminal's disk is never
// judged by part of it).
bool FileMD5Hex(const std::wstring& path, std::string* hex);

// The hexadecimal text of a 16-byte digest.
std::string DigestHex(const unsigned char digest[16]);
