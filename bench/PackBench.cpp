// Times, in one run, the pack check of this tool (unzip into a fresh folder,
// then the manifest check) against Info-ZIP's `unzip -q -o` followed by
// coreutils' `md5sum` of every file, and GetFileMD5 on one large file
// against `md5sum`. Prints wall-clock and CPU times (user + system) and the
// ratios ours / theirs.
//   pack_bench WORKDIR [TOTAL_MIB] [FILES] [ROUNDS]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "PackTool.h"
#include "pack/FileMD5.h"
#include "pack/FolderMD5Check.h"
#include "pack/Unzip.h"
#include "platform/File.h"
#include "platform/Text.h"

namespace {

using Clock = std::chrono::steady_clock;

std::wstring Wide(const std::string& unixPath) {
    std::wstring w = platform::Utf8ToWide(unixPath);
    for (wchar_t& c : w)
        if (c == L'/') c = L'\\';
    return w;
}

// Half random bytes, half bytes from a small alphabet: packs compress to
// roughly two thirds, like firmware images with tables and text.
void WriteContent(const std::string& path, size_t size, std::mt19937_64& rng) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::exit(2);
    std::vector<unsigned char> block(4096);
    size_t written = 0;
    bool random = true;
    while (written < size) {
        for (auto& b : block) b = static_cast<unsigned char>(random ? rng() : 'a' + rng() % 16);
        size_t n = std::min(block.size(), size - written);
        std::fwrite(block.data(), 1, n, f);
        written += n;
        random = !random;
    }
    std::fclose(f);
}

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// CPU seconds (user + system) of this process, or of its finished children:
// on a shared machine these move far less than wall-clock times.
double CpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Sample {
    Clock::time_point wall = Clock::now();
    double self = CpuSeconds(RUSAGE_SELF);
    double children = CpuSeconds(RUSAGE_CHILDREN);
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int Run(const std::string& command) {
    int rc = std::system(command.c_str());
    if (rc != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(2);
    }
    return rc;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: pack_bench WORKDIR [TOTAL_MIB] [FILES] [ROUNDS]\n");
        return 2;
    }
    const std::string work = argv[1];
    const size_t totalMiB = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 256;
    const int files = argc > 3 ? std::atoi(argv[3]) : 300;
    const int rounds = argc > 4 ? std::atoi(argv[4]) : 3;
    const std::string src = work + "/src", pack = work + "/AppUpgradePack.zip";
    const std::string ours = work + "/ours", theirs = work + "/theirs", big = work + "/big.bin";

    Run("rm -rf '" + work + "' && mkdir -p '" + src + "'");
    std::mt19937_64 rng(12345);
    const size_t total = totalMiB << 20;
    size_t made = 0;
    for (int i = 0; i < files; ++i) {
        std::string dir = src + "/d" + std::to_string(i % 8);
        Run("mkdir -p '" + dir + "'");
        size_t size = i + 1 == files ? total - made : total / files;
        WriteContent(dir + "/f" + std::to_string(i) + ".bin", size, rng);
        made += size;
    }
    ToolOutput io;
    if (RunPackTool({L"make", L"--model", L"M3710", L"--kind", L"app", L"-o", Wide(pack), Wide(src)}, io) != 0) {
        std::fprintf(stderr, "%s", io.err.c_str());
        return 2;
    }
    Run("cat " + src + "/d*/*.bin > '" + big + "'");

    std::vector<double> tCheck, tRef, tMd5, tMd5sum;      // wall clock
    std::vector<double> cCheck, cRef, cMd5, cMd5sum;      // CPU
    for (int r = 0; r <= rounds; ++r) {  // round 0 warms the caches and is not counted
        Run("rm -rf '" + ours + "' '" + theirs + "'");
        Sample a;
        unzip(Wide(ours).c_str(), Wide(pack).c_str());
        bool damaged;
        {
            CFolderMD5Check check(Wide(ours));
            damaged = check.IsDamaged();
        }
        Sample b;
        if (damaged) {
            std::fprintf(stderr, "the pack was judged damaged\n");
            return 2;
        }
        Run("unzip -q -o '" + pack + "' -d '" + theirs + "' && find '" + theirs +
            "' -type f -print0 | xargs -0 md5sum > /dev/null");
        Sample c;
        std::unique_ptr<char[]> digest = GetFileMD5(big.c_str(), true);
        Sample d;
        Run("md5sum '" + big + "' > /dev/null");
        Sample e;
        if (!digest) return 2;
        if (r == 0) continue;
        tCheck.push_back(Seconds(a.wall, b.wall));
        tRef.push_back(Seconds(b.wall, c.wall));
        tMd5.push_back(Seconds(c.wall, d.wall));
        tMd5sum.push_back(Seconds(d.wall, e.wall));
        cCheck.push_back(b.self - a.self);
        cRef.push_back(c.children - b.children);
        cMd5.push_back(d.self - c.self);
        cMd5sum.push_back(e.children - d.children);
    }
    Run("rm -rf '" + ours + "' '" + theirs + "'");
    auto line = [](const char* what, const std::vector<double>& ours, const std::vector<double>& theirs) {
        double o = Median(ours), t = Median(theirs);
        std::printf("%-28s ours %7.3f s   reference %7.3f s   ratio %.3f\n", what, o, t, o / t);
    };
    std::printf("pack: %zu MiB in %d files, %d rounds (medians)\n", totalMiB, files, rounds);
    line("check, wall clock:", tCheck, tRef);
    line("check, CPU:", cCheck, cRef);
    line("MD5 of one file, wall clock:", tMd5, tMd5sum);
    line("MD5 of one file, CPU:", cMd5, cMd5sum);
    return 0;
}
