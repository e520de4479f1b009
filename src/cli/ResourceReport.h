#pragma once
// A count of what the program holds at its start and at its end, for the
// fleet benchmark: with QUILLON_RESOURCE_REPORT naming a file, the object
// made first thing in main counts handles and threads, and when it goes
// (after everything else of main) appends one line to that file:
//   start handles=H threads=T end handles=H threads=T
// Without the variable it does nothing.
#include <string>

#include "platform/ProcessCounts.h"

class ResourceReport {
public:
    ResourceReport();
    ~ResourceReport();
    ResourceReport(const ResourceReport&) = delete;
    ResourceReport& operator=(const ResourceReport&) = delete;

private:
    std::wstring m_path;  // empty: no report
    platform::ProcessCounts m_start;
};
