#pragma once
// MD5 of a whole file, as the pack manifest stores it. The file is read in
// 64 KiB blocks through a buffer of the call's own: safe to call from
// several threads at once, and memory does not grow with the file.
#include <memory>

// `ansiPath` is in the ANSI code page. With `asHex` the result is the 32
// lowercase hexadecimal digits and a NUL (33 bytes); otherwise the 16 digest
// bytes and a zero byte (17 bytes). Null when the file cannot be opened or
// anything else fails.
std::unique_ptr<char[]> GetFileMD5(const char* ansiPath, bool asHex);
