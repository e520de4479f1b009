#pragma once
// MD5s of the files an extraction wrote, taken from the bytes as they went
// to the disk, keyed like the pack manifest: ".\sub\file" (the entry's name
// with backslashes and without "." components), valued by 32 lowercase
// hexadecimal digits.
#include <string>
#include <unordered_map>

using ExtractedDigests = std::unordered_map<std::wstring, std::wstring>;
