#include "platform/ProcessCounts.h"

#include <dirent.h>

namespace {

// Entries of a /proc folder other than "." and ".."; -1 when unreadable.
long CountEntries(const char* folder) {
    DIR* dir = opendir(folder);
    if (!dir) return -1;
    long count = 0;
    while (const dirent* entry = readdir(dir))
        if (entry->d_name[0] != '.') ++count;
    closedir(dir);
    return count;
}

}  // namespace

namespace platform {

ProcessCounts CountProcessResources() {
    ProcessCounts counts;
    const long fds = CountEntries("/proc/self/fd");
    counts.handles = fds < 0 ? -1 : fds - 1;  // the descriptor of the listing itself
    counts.threads = CountEntries("/proc/self/task");
    return counts;
}

}  // namespace platform
