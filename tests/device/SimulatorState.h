#pragma once
// What the test fixture wrote about the terminal simulators it started:
// "name.key=value" lines (ports, root folder, journal), Unix paths turned
// into paths the Windows build can open.
#include <map>
#include <string>
#include <vector>

struct SimulatedTerminal {
    int ftpPort = 0;
    int startPort = 0;
    std::string root;     // the terminal's file system
    std::string journal;  // JSON lines
};

// False (with a reason) when the state file is missing or lacks `name`.
bool LoadSimulatedTerminal(const std::string& stateFile, const std::string& name, SimulatedTerminal* terminal,
                           std::string* error);

std::vector<std::string> ReadJournal(const SimulatedTerminal& terminal);  // one string per line
bool ReadWholeFile(const std::string& path, std::string* bytes);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
