#pragma once
// The run's file operations on Windows: delete and copy through the shell's
// file operations (silent, no confirmation, not to the recycle bin), as
// Explorer would do them to the terminal's disk.
#include <string>

#include "app/RunServices.h"

// True when the path does not exist, or the shell deleted it.
bool ShellDeletePath(const std::wstring& path);
// Copies `file` to the file path `target`, replacing a file there; true
// when the shell reports success and nothing was aborted. A folder at
// `target` is refused rather than copied into.
bool ShellCopyFile(const std::wstring& file, const std::wstring& target);
// The executable's drive and folder, without the trailing backslash.
std::wstring GetProgramFolder();

class ShellFileSystem : public RunFileSystem {
public:
    bool DeletePath(const std::wstring& path) override { return ShellDeletePath(path); }
    bool CopyFileTo(const std::wstring& file, const std::wstring& target) override {
        return ShellCopyFile(file, target);
    }
};
