#pragma once
// A folder of files like those a terminal's upgrade carries, taken from
// this machine: Windows executables and DLLs (Wine's PE builds), native
// executables and text (C headers), a third of the size each.
#include <cstddef>
#include <string>

// Copies about `totalMiB` MiB into `dir` (bin/, elf/, text/); false when
// the machine has too few such files.
bool CopyTerminalFiles(const std::string& dir, size_t totalMiB);
