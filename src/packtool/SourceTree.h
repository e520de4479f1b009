#pragma once
// The files and folders of a pack's source folder, walked without the
// 260-unit path limit of the upgrade run's walker: every regular file is
// found, however deep, or the walk names what it cannot take.
#include <string>
#include <vector>

struct SourceTree {
    std::vector<std::wstring> files;    // relative to the top, '\' between folders
    std::vector<std::wstring> folders;  // the same, every sub-folder
    // both sorted by name
};

// False with "PATH: reason" in `problem` when a folder cannot be listed or
// something other than a regular file or folder (a FIFO, a socket, a
// device) stands under `top`. `top` is absolute, without a trailing '\'.
bool WalkSourceTree(const std::wstring& top, SourceTree* tree, std::wstring* problem);

// The form of an absolute path that the system opens whatever its length
// ("\\?\" on Windows; the path itself natively).
std::wstring LongPath(const std::wstring& absolute);
