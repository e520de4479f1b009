#pragma once
// The measured side of a pack manifest: every file under a folder, keyed
// ".\sub\file" (on-disk letter case), valued by its lowercase MD5.
#include <string>

#include "pack/ExtractedDigests.h"
#include "pack/IniText.h"

extern const wchar_t kManifestFileName[];  // "FolderMD5.ini"

// `folder` is the pack folder, best absolute and without a trailing
// backslash (a relative one is taken from the current directory). `skipPath` (the top
// folder's manifest) is left out. A file that cannot be read gets an empty
// value. The walk runs on the calling thread; the files are then hashed on
// one thread per core (each with its own read buffer) and merged in walk
// order. A file found under a key of `written` takes that digest and is
// not read; every other file the walk finds is read and hashed.
IniEntries HashFolderFiles(const std::wstring& folder, const std::wstring& skipPath,
                           const ExtractedDigests* written = nullptr);
