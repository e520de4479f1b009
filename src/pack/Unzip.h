#pragma once
// Extraction of an upgrade pack. `unzip` is the one function Quillon.exe
// exports, under its plain name.
#include <cstdint>

#if defined(_WIN32)
#define QUILLON_EXPORT __declspec(dllexport)
#else
#define QUILLON_EXPORT __attribute__((visibility("default")))
#endif

// Writes every entry of the archive `zipPath` under `destFolder` (no
// trailing backslash; created on demand), with the stored file times.
// -1: the archive is missing, is no zip archive, or declares more data than
// the destination's disk has free; otherwise 0 when every entry was visited,
// or the minizip status of the step that failed. Entries whose names are
// absolute, carry a drive letter, climb out with "..", or do not fit the
// 260-unit bounds are skipped.
extern "C" QUILLON_EXPORT int32_t unzip(const wchar_t* destFolder, const wchar_t* zipPath);
