#pragma once
// One terminal simulator process for a native test group: started on free
// loopback ports in a fresh temporary folder, stopped (and the folder
// removed) when the object goes away, also when the test fails.
#include <sys/types.h>

#include <string>
#include <vector>

#include "SimulatorState.h"

class TerminalSimProcess {
public:
    // `faults`: fault switches such as {"--refuse-login"}.
    explicit TerminalSimProcess(std::vector<std::string> faults = {});
    ~TerminalSimProcess();
    TerminalSimProcess(const TerminalSimProcess&) = delete;
    TerminalSimProcess& operator=(const TerminalSimProcess&) = delete;

    bool Ready() const { return m_ready; }  // false: see Error()
    const std::string& Error() const { return m_error; }
    const SimulatedTerminal& Terminal() const { return m_terminal; }
    const std::string& Folder() const { return m_folder; }

    // Journal lines holding `needle`; waits up to `seconds` for `count` of them.
    size_t CountJournal(const std::string& needle) const;
    bool WaitForJournal(const std::string& needle, size_t count, double seconds) const;

private:
    void Stop();

    std::string m_folder;
    pid_t m_pid = -1;
    bool m_ready = false;
    std::string m_error;
    SimulatedTerminal m_terminal;
};

// A loopback TCP port with nothing listening on it.
int ClosedLoopbackPort();
