#pragma once
// Which entry names a pack may hold: each name on its own, and the names of
// one archive together.
#include <map>
#include <string>

// Null for a name that extracts under exactly that name inside the
// destination; otherwise why not, in English: absolute, a drive letter or
// any ':', a ".." component (also "..." or ". .", which Windows folds to a
// parent), a device name (CON, NUL, COM1, LPT1... with any extension), a
// control character, an empty component, or a component ending in a dot or
// blank (Windows drops those).
const char* EntryNameProblem(const std::wstring& name);
bool IsSafeEntryName(const std::wstring& name);

// The name without its "." components ("./bin/app.exe" -> "bin/app.exe",
// "./" -> ""), as zip writers that archive "." store them. Such a
// component names the folder it stands in, so it is dropped before the
// name rules apply; ".." and every other component stay as they are. An
// empty result names the destination folder itself.
std::wstring WithoutDotComponents(const std::wstring& name);

// The names of one archive, added one by one. Windows folds letter case, so
// names are compared folded: two entries of one name, two spellings of one
// folder, or a file and a folder of one name are refused, and so is a top
// verify record or manifest not spelled exactly so (the two builds would
// read different files).
class EntryNameSet {
public:
    // `name` uses '\' or '/'; a trailing separator makes a folder entry.
    // Null when accepted, else the reason.
    const char* Add(const std::wstring& name);

private:
    struct Seen {
        std::wstring spelling;
        bool folder;
        bool entry;  // named by an entry, not only as a parent
    };
    const char* Note(const std::wstring& path, bool folder, bool entry);
    std::map<std::wstring, Seen> m_seen;  // folded path -> what it is
};

// Letter case as Windows' file systems compare it, for the letters a pack
// can name in code page 936 (Latin, full-width Latin, Greek, Cyrillic).
wchar_t FoldCase(wchar_t c);
