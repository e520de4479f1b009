#pragma once
// A CSV inventory of terminals (`--targets FILE`): one terminal a line,
// its address or USB disk path, then optionally its name and its site.
// Lines starting with "#" and blank lines are skipped; fields are
// separated by commas, trimmed, and may be quoted ("North, bay 2", with
// "" for a quote inside). The file is UTF-8, with or without a BOM.
#include <string>
#include <vector>

struct InventoryEntry {
    std::wstring target;  // as written: an address or a path
    std::wstring name;
    std::wstring site;
    size_t line = 0;      // 1-based
    bool isAddress = false;  // digits and dots only; anything else is a disk path
};

struct InventoryParse {
    bool ok = false;
    std::vector<InventoryEntry> entries;
    size_t badLine = 0;   // the line a refusal names
    std::wstring error;   // "line 4: more than three fields"
};

// Parses the file's bytes. Pure: no file access.
InventoryParse ParseInventoryText(const std::string& bytes);

// Reads and parses the file; a file that cannot be read is refused too.
// Errors name the file: "inventory sites.csv line 4: ...".
InventoryParse LoadInventory(const std::wstring& path);
