#pragma once
// Further file calls of the portable code: 64-bit positions in stdio
// streams, reads at an offset, new files, and the read-only test that
// Windows applies when a file is opened for writing.
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/File.h"

namespace platform {

// fseek/ftell with 64-bit offsets (_fseeki64 on Windows, fseeko natively).
int SeekFile64(FILE* file, int64_t offset, int origin);
int64_t TellFile64(FILE* file);

// Reads up to `size` bytes at `offset` of the file under `file` without
// going through the stream's buffer (pread natively, ReadFile at an offset
// on Windows); fewer only at the end of the file, -1 on a read error. A
// stream read this way must not also be read through stdio.
int64_t ReadFileAt(FILE* file, uint64_t offset, void* buffer, size_t size);

// A new file for writing ("wb"), with the access a new file gets by
// default; null when the path exists already (`*error` AlreadyExists) or
// cannot be made. One call where checking first would take two lookups.
FILE* CreateNewFile(const std::wstring& path, FsError* error);

// True when the path exists and is marked read-only (Windows: the read-only
// attribute; native: no write permission bit at all, whoever the caller is,
// so that a root process treats such a file as Windows would).
bool IsReadOnly(const std::wstring& path);

}  // namespace platform
