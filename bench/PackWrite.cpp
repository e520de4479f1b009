#include "PackWrite.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <numeric>
#include <system_error>
#include <vector>

#include "pack/ArchiveSurvey.h"
#include "pack/IndexedJobs.h"

namespace fs = std::filesystem;

namespace {

bool WriteZeros(const fs::path& path, uint64_t size) {
    static const std::vector<char> zeros(256 * 1024);
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    bool ok = true;
    for (uint64_t left = size; ok && left > 0;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(left, zeros.size()));
        ok = write(fd, zeros.data(), n) == static_cast<ssize_t>(n);
        left -= n;
    }
    return close(fd) == 0 && ok;
}

}  // namespace

bool WritePackFiles(const std::string& pack, const std::string& dest, std::string* reason) {
    ArchiveSurvey survey;
    if (!SurveyArchive(pack, &survey, reason)) return false;
    std::vector<size_t> files;
    std::error_code ec;
    for (size_t i = 0; i < survey.entries.size(); ++i) {
        const std::string& name = survey.entries[i].name;
        if (name.empty() || name.back() == '/') {
            fs::create_directories(fs::path(dest) / name, ec);
        } else {
            fs::create_directories((fs::path(dest) / name).parent_path(), ec);
            files.push_back(i);
        }
        if (ec) {
            *reason = "cannot make the folder of " + name;
            return false;
        }
    }
    std::stable_sort(files.begin(), files.end(),
                     [&](size_t a, size_t b) { return survey.entries[a].size > survey.entries[b].size; });
    std::atomic<bool> ok{true};
    RunIndexedJobs(files.size(), WorkerThreadCount(), [&](size_t i) {
        const SurveyEntry& e = survey.entries[files[i]];
        if (!WriteZeros(fs::path(dest) / e.name, e.size)) ok = false;
    });
    if (!ok) *reason = "cannot write under " + dest;
    return ok;
}
