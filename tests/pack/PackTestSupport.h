#pragma once
// Helpers of the pack tests: scratch folders, whole-file reads and writes,
// and archives made with the pack code's own zip writer.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/File.h"
#include "support/TempFolder.h"

// Scratch folders and WriteBytes come from the shared test support.
using TestFolder = TempFolder;

std::string ReadBytes(const std::wstring& path);
// Creates the file's folders first.
bool WriteFileTree(const std::wstring& root, const std::wstring& relative, const std::string& bytes);

struct ZipItem {
    std::string name;  // as stored; a trailing '/' makes a folder entry
    std::string data;
    platform::LocalTime time{2020, 5, 6, 7, 8, 10};
};
bool MakeZip(const std::wstring& path, const std::vector<ZipItem>& items);
// Zips every file and folder under `folder` (names relative, '/' between
// folders, UTF-16 names converted to the ANSI code page).
bool ZipFolder(const std::wstring& folder, const std::wstring& zipPath);

// Relative paths of all files under a folder with their contents, sorted.
std::vector<std::pair<std::wstring, std::string>> Snapshot(const std::wstring& folder);

// Number of files under a folder, at any depth.
size_t CountFiles(const std::wstring& folder);

// Bytes of `n` deterministic, varied content.
std::string Pattern(size_t n);

// An archive of `count` empty stored entries named by `name(i)`, written
// byte by byte with Zip64 end records (minizip 1.1's zip writer gets those
// wrong past 65535 entries).
bool MakeManyEmptyEntriesZip(const std::wstring& path, int count, const std::function<std::string(int)>& name);
