#include "cli/ResourceReport.h"

#include "platform/Environment.h"
#include "platform/FileAppend.h"

namespace {

std::string ReportLine(const platform::ProcessCounts& start, const platform::ProcessCounts& end) {
    return "start handles=" + std::to_string(start.handles) + " threads=" + std::to_string(start.threads) +
           " end handles=" + std::to_string(end.handles) + " threads=" + std::to_string(end.threads) + "\n";
}

}  // namespace

ResourceReport::ResourceReport() {
    if (platform::ReadEnvironment(L"QUILLON_RESOURCE_REPORT", &m_path) && !m_path.empty())
        m_start = platform::CountProcessResources();
    else
        m_path.clear();
}

ResourceReport::~ResourceReport() {
    if (m_path.empty()) return;
    try {
        platform::AppendToFile(m_path, ReportLine(m_start, platform::CountProcessResources()));
    } catch (...) {
        // No memory for one line at the very end: the report is missing, the
        // benchmark that asked for it says so.
    }
}

