#pragma once
// The INI dialect of the pack manifest: how bytes become text, how text
// becomes sections, and how sections are written out.
#include <map>
#include <string>
#include <vector>

#include "platform/Text.h"

// Ordinal UTF-16 code-unit order (case-sensitive: "B" < "a"), comparing in
// place: the common prefix is skipped unit by unit, and only from the first
// character at or above U+D800 (where UTF-32 and UTF-16 orders part) is
// the rest compared as UTF-16. Keeps parsing linear in a manifest's size.
struct IniKeyLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const;
};

using IniEntries = std::map<std::wstring, std::wstring, IniKeyLess>;

struct IniSection {
    std::wstring name;  // "[]" for the entries ahead of the first header
    IniEntries entries;
};

// The name of the section of entries that stand before any header.
extern const wchar_t kIniHeadSection[];
// Lines that are not key/value pairs are kept under this key (first one only).
extern const wchar_t kIniCommentKey[];

// UTF-16LE after the bytes FF FE (up to the first NUL unit; an odd last byte
// is ignored), otherwise ANSI-code-page text up to the first NUL byte.
std::wstring DecodeIniBytes(const std::string& bytes);

// Splits the text into sections. A header line without ']' ends the parse:
// the sections complete up to there are kept.
std::vector<IniSection> ParseIniText(const std::wstring& text);

// UTF-16LE with FF FE, CR LF line ends; the "[]" section has no header.
std::string EncodeIniSections(const std::vector<IniSection>& sections);
