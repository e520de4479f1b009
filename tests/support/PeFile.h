#pragma once
// Reads the import and export tables of a 64-bit Windows executable, so
// tests can check what Quillon.exe links against and what it exports.
#include <string>
#include <vector>

struct PeTables {
    std::vector<std::string> importedDlls;   // as written in the file
    std::vector<std::string> exportedNames;  // undecorated export names
};

// False (with a reason) when the file is missing or is no PE32+ image.
bool ReadPeTables(const std::string& path, PeTables* tables, std::string* error);

// A path given on the command line under Wine may be a Unix path; turn it
// into one the Windows build can open (Z: drive). Unchanged elsewhere.
std::string HostPathToLocal(const std::string& path);
