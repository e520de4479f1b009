#pragma once
// The steps of `unzip`, visible for tests and the pack tool.
#include <minizip/unzip.h>

#include <cstdint>
#include <string>

#include "pack/ArchiveSurvey.h"
#include "pack/EntryName.h"
#include "pack/ExtractedDigests.h"

// What an extraction came to: the `unzip` status and, when it is not 0, a
// short English reason.
struct UnzipOutcome {
    int32_t status = 0;
    std::string reason;
};

// `unzip` with its reason. With `digests`, the MD5 of every file written is
// kept there as well (complete only when the outcome is 0).
UnzipOutcome ExtractArchive(const std::wstring& destFolder, const std::wstring& zipPath,
                            ExtractedDigests* digests = nullptr);

// The working disk keeps at least this much free whatever a pack declares.
constexpr uint64_t kWorkingDiskReserve = 64ull * 1024 * 1024;

// Null when every entry of the surveyed archive may be extracted under
// `destFolder`, else the reason: unsafe or unrepresentable names, names
// that collide, output paths beyond 259 units, methods other than stored
// and deflate, encryption, links and other special files.
const char* EntriesProblem(const ArchiveSurvey& survey, const std::wstring& destFolder);

// Creates a folder and any missing parents; true on success.
bool MakeDirectoryChain(const std::wstring& path);

// True for a well-formed archive without entries (its end record alone).
bool IsEmptyZipArchive(const std::string& ansiPath);

// Free bytes on the disk that holds `folder` or, when it does not exist
// yet, its nearest existing parent.
bool FreeBytesForFolder(const std::wstring& folder, uint64_t* bytes);
