#pragma once
// Extraction of an upgrade pack. `unzip` is the one function Quillon.exe
// exports, under its plain name.
#include <cstdint>

#if defined(_WIN32)
#define QUILLON_EXPORT __declspec(dllexport)
#else
#define QUILLON_EXPORT __attribute__((visibility("default")))
#endif

// Results of `unzip`.
constexpr int32_t kUnzipDone = 0;
// The archive is missing or cannot be opened as a zip archive, or the
// working disk has not enough space for it (what it declares, plus a
// reserve that always stays free).
constexpr int32_t kUnzipCannotOpenOrNoSpace = -1;
// The pack is damaged: some entry was not, or could not be, extracted
// exactly as the archive's headers say (see docs/packs.md for the list).
constexpr int32_t kUnzipDamaged = 2;

// Writes every entry of the archive `zipPath` under `destFolder` (no
// trailing backslash; created on demand), with the stored file times.
// The archive's structure and all its names are checked before anything
// is written; the first entry that fails ends the walk.
extern "C" QUILLON_EXPORT int32_t unzip(const wchar_t* destFolder, const wchar_t* zipPath);
