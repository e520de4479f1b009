#pragma once
// Further file calls of the portable code: 64-bit positions in stdio
// streams and the read-only test that Windows applies when a file is
// opened for writing.
#include <cstdint>
#include <cstdio>
#include <string>

namespace platform {

// fseek/ftell with 64-bit offsets (_fseeki64 on Windows, fseeko natively).
int SeekFile64(FILE* file, int64_t offset, int origin);
int64_t TellFile64(FILE* file);

// True when the path exists and is marked read-only (Windows: the read-only
// attribute; native: no write permission bit at all, whoever the caller is,
// so that a root process treats such a file as Windows would).
bool IsReadOnly(const std::wstring& path);

}  // namespace platform
