#pragma once
// What writing a pack's files costs without inflating them: every entry's
// file created under a fresh folder and filled with its declared number of
// bytes (zeros), one thread per core, largest first. With the real floor
// (PackInflate.h) it bounds what an extraction to disk can take.
#include <string>

// False with a reason when the pack cannot be read or a file cannot be written.
bool WritePackFiles(const std::string& pack, const std::string& dest, std::string* reason);
