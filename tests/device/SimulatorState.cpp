#include "SimulatorState.h"

#include <fstream>
#include <iterator>

#include "support/PeFile.h"

bool LoadSimulatedTerminal(const std::string& stateFile, const std::string& name, SimulatedTerminal* terminal,
                           std::string* error) {
    std::ifstream in(HostPathToLocal(stateFile));
    if (!in) {
        *error = "no simulator state file " + stateFile + " (is the terminal_sim fixture running?)";
        return false;
    }
    std::map<std::string, std::string> values;
    std::string line;
    while (std::getline(in, line)) {
        size_t eq = line.find('=');
        if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    const std::string prefix = name + ".";
    if (!values.count(prefix + "ftp_port")) {
        *error = "simulator '" + name + "' missing from " + stateFile;
        return false;
    }
    terminal->ftpPort = std::stoi(values[prefix + "ftp_port"]);
    terminal->startPort = std::stoi(values[prefix + "start_port"]);
    terminal->root = HostPathToLocal(values[prefix + "root"]);
    terminal->journal = HostPathToLocal(values[prefix + "journal"]);
    return true;
}

std::vector<std::string> ReadJournal(const SimulatedTerminal& terminal) {
    std::vector<std::string> lines;
    std::ifstream in(terminal.journal);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

bool ReadWholeFile(const std::string& path, std::string* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}
