#include "platform/ProcessCounts.h"

#include <windows.h>
#include <tlhelp32.h>

namespace platform {

ProcessCounts CountProcessResources() {
    ProcessCounts counts;
    DWORD handles = 0;
    if (::GetProcessHandleCount(::GetCurrentProcess(), &handles)) counts.handles = static_cast<long>(handles);
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return counts;
    const DWORD self = ::GetCurrentProcessId();
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    long threads = 0;
    for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == self) ++threads;
    ::CloseHandle(snapshot);
    counts.threads = threads;
    return counts;
}

}  // namespace platform
