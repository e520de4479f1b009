#pragma once
// The steps of `unzip`, visible for tests.
#include <minizip/unzip.h>

#include <cstdint>
#include <string>

// Extracts the entry the handle stands on; 0 to go on with the walk.
int ExtractCurrentEntry(const std::wstring& destFolder, unzFile zip);

// Creates a folder and any missing parents; true on success.
bool MakeDirectoryChain(const std::wstring& path);

// False for a name that would leave the destination: absolute, with a drive
// letter or any ':', or with a ".." component (also "..." or ". ." forms,
// which Windows folds to a parent reference), or naming a device (CON,
// NUL, COM1, LPT1... with any extension).
bool IsSafeEntryName(const std::wstring& name);

// Sum of the declared uncompressed sizes of all entries (saturating);
// false when the central directory cannot be walked.
bool DeclaredArchiveSize(unzFile zip, uint64_t* total);

// True for a well-formed archive without entries (its end record alone).
bool IsEmptyZipArchive(const std::string& ansiPath);

// Free bytes on the disk that holds `folder` or, when it does not exist
// yet, its nearest existing parent.
bool FreeBytesForFolder(const std::wstring& folder, uint64_t* bytes);
