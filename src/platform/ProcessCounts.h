#pragma once
// What this process holds at one moment: its open handles (natively its
// file descriptors) and its threads, to see that a run gives back all it
// took. -1 for a count that cannot be read.

namespace platform {

struct ProcessCounts {
    long handles = -1;
    long threads = -1;
};

// Windows: GetProcessHandleCount (where it answers 0, as Wine's does, this
// process's entries in the system's handle table) and the process's threads
// in a Toolhelp32 snapshot (taken after the handle count, so the snapshot's
// own handle is not in it).
// Natively: the entries of /proc/self/fd (less the one that lists them) and
// of /proc/self/task.
ProcessCounts CountProcessResources();

}  // namespace platform
