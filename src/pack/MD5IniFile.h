#pragma once
// One INI file held in memory: sections in file order, each a sorted map of
// unique keys. Loads UTF-16LE (with FF FE) or ANSI text; always saves
// UTF-16LE with FF FE. Every operation holds the object's lock for its work.
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "pack/IniText.h"

class CMD5IniFile {
public:
    CMD5IniFile() = default;
    virtual ~CMD5IniFile() = default;
    CMD5IniFile(const CMD5IniFile&) = delete;
    CMD5IniFile& operator=(const CMD5IniFile&) = delete;

    // Reads `path` and rebuilds the sections. With `createIfMissing`, a file
    // that cannot be opened is created empty. True when opened or created;
    // when neither, the sections stay as they were.
    bool LoadIniFile(const std::wstring& path, bool createIfMissing);
    // Writes every section to `path` (empty: the last loaded path). False when
    // the file cannot be created or written; memory is never changed.
    bool Save(const std::wstring& path);
    // Adds the entries of the first section named `sectionName` to `entries`
    // (keys already there keep their values). False when there is none.
    bool GetSection(const std::wstring& sectionName, IniEntries& entries);
    // Sets a key in the first section of that name, or appends a new section.
    bool SetValue(const std::wstring& sectionName, const std::wstring& key, const std::wstring& value);

    std::vector<IniSection> Sections();
    std::wstring FilePath();

private:
    IniSection* FindSection(const std::wstring& name);
    void IndexSections();

    std::wstring m_filePath;
    std::vector<IniSection> m_sections;
    // Name -> index of the first section of that name, so a file of many
    // headers costs no scan per lookup.
    std::map<std::wstring, size_t, IniKeyLess> m_firstSection;
    std::mutex m_lock;
};
