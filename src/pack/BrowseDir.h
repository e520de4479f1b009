#pragma once
// Walks a folder tree and collects the full paths of the files that match a
// pattern, files of a folder before its sub-folders (depth first, in the
// order the file system gives). It works on absolute paths and never
// changes the process's current directory.
#include <string>
#include <vector>

class CBrowseDir {
public:
    // The start folder is the current directory.
    CBrowseDir();
    virtual ~CBrowseDir() = default;

    // Makes `dir` absolute and, when it is a folder, the start folder.
    bool SetInitDir(const std::wstring& dir);
    // ProcessDir on the start folder, then the walk from there.
    bool BeginBrowse(const std::wstring& fileSpec, std::vector<std::wstring>& list, bool recurse);

    // `dir` ends in a backslash. False when a hook stopped the walk.
    virtual bool BrowseDir(const std::wstring& dir, const std::wstring& fileSpec, std::vector<std::wstring>& list,
                           bool recurse);
    // Called for every file found; false stops the whole walk.
    virtual bool ProcessFile(const std::wstring& filePath);
    // Called for every folder before it is walked (`parentDir` empty for the start folder).
    virtual void ProcessDir(const std::wstring& dirPath, const std::wstring& parentDir);

    const std::wstring& InitDir() const { return m_initDir; }

private:
    std::wstring m_initDir;  // absolute, ends in a backslash, shorter than 260 units
};
