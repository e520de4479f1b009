// Times, in one run, the pack check of this tool (extraction into a fresh
// folder, then the manifest check with the digests the extraction took)
// against Info-ZIP's `unzip -q -o` followed by coreutils' `md5sum` of every
// file, and GetFileMD5 on one large file against `md5sum`. Two floors go
// with each check: MD5 of every extracted byte once (the files read from
// the page cache on one thread per core), which a check that must inflate
// every byte cannot reach, and the real floor: every entry inflated in
// memory with the fastest decoder measured, plus its MD5, once, on one
// thread per core, nothing written. The decoders (libdeflate, Intel ISA-L
// streaming and whole-entry) are also timed alone, and so is writing the
// pack's files (their sizes in zeros) without inflating. Every measurement runs
// in a child process of its own (ours: this program again, in a one-shot
// mode), so wall time, CPU time (user + system) and peak resident memory
// (ru_maxrss from wait4) belong to that measurement alone. The check runs
// on three packs: the first two of the same number of files, the second a
// quarter of the first's size (equal peaks show that the memory does not
// grow with the pack's size), the third of typical terminal files
// (executables, DLLs, text) of the second's size.
//   pack_bench WORKDIR [TOTAL_MIB] [FILES] [ROUNDS]
//   pack_bench --entries WORKDIR [ROUNDS [WINDOWS_PACKTOOL_COMMAND...]]
//                                     the entries sweep: packs of 300, 2,000
//                                     and 20,000 small files in folders of
//                                     100, the check's cost per entry (also
//                                     `packtool check`, natively and with
//                                     the command given, e.g. packtool.exe
//                                     under Wine)
//   pack_bench --check DEST PACK      one check; prints its two phases' seconds
//   pack_bench --floor DIR            MD5 of every file under DIR, one thread per core
//   pack_bench --inflate DECODER PACK [--md5]
//                                     every entry inflated in memory (and its MD5)
//   pack_bench --write DEST PACK      the pack's files written (zeros), not inflated
//   pack_bench --md5 FILE             one GetFileMD5
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "PackInflate.h"
#include "packtool/PackTool.h"
#include "PackWrite.h"
#include "TerminalFiles.h"
#include "pack/FileDigest.h"
#include "pack/FileMD5.h"
#include "pack/FolderMD5Check.h"
#include "pack/IndexedJobs.h"
#include "pack/Unzip.h"
#include "pack/ZipExtraction.h"
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

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

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

void Run(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(2);
    }
}

// One finished child: wall and CPU seconds, peak resident KiB, what it printed.
struct Measure {
    double wall = 0, cpu = 0;
    long peakKiB = 0;
    std::string out;
};

Measure RunChild(const std::vector<std::string>& args) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) std::exit(2);
    Measure m;
    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid < 0) std::exit(2);
    if (pid == 0) {
        dup2(pipeFds[1], 1);
        close(pipeFds[0]);
        close(pipeFds[1]);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    char buf[256];
    ssize_t n;
    while ((n = read(pipeFds[0], buf, sizeof buf)) > 0) m.out.append(buf, static_cast<size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    rusage u{};
    if (wait4(pid, &status, 0, &u) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "failed: %s\n", args.back().c_str());
        std::exit(2);
    }
    m.wall = Seconds(start, Clock::now());
    m.cpu = u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    m.peakKiB = u.ru_maxrss;
    return m;
}

Measure RunShell(const std::string& command) { return RunChild({"/bin/sh", "-c", command}); }

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Series {
    std::vector<double> wall, cpu, extract, hash;
    long peakKiB = 0;
    void Add(const Measure& m) {
        wall.push_back(m.wall);
        cpu.push_back(m.cpu);
        // One of this program's modes reports its own peak: a child's
        // ru_maxrss cannot be below the resident set of the parent it was
        // forked from, which it holds until it runs exec.
        const size_t own = m.out.find("VmHWM ");
        peakKiB = std::max(peakKiB, own != std::string::npos ? std::atol(m.out.c_str() + own + 6) : m.peakKiB);
        double e = 0, h = 0;
        if (std::sscanf(m.out.c_str(), "%lf %lf", &e, &h) == 2) {
            extract.push_back(e);
            hash.push_back(h);
        }
    }
};

const Decoder kDecoders[] = {Decoder::Libdeflate, Decoder::Isal, Decoder::IsalWhole};

// Everything measured on one pack.
struct PackSeries {
    std::string what, pack;
    Series ours, reference, md5Floor, write;
    std::map<Decoder, Series> inflate, inflateMd5;  // alone; with MD5
};

// The decoder whose inflate with MD5 took the least CPU time: on a machine
// shared with other work, wall time says more about the neighbours.
Decoder Fastest(const PackSeries& p) {
    Decoder best = Decoder::Libdeflate;
    for (Decoder d : kDecoders)
        if (Median(p.inflateMd5.at(d).cpu) < Median(p.inflateMd5.at(best).cpu)) best = d;
    return best;
}

void Report(const PackSeries& p) {
    const double ow = Median(p.ours.wall), tw = Median(p.reference.wall), oc = Median(p.ours.cpu),
                 tc = Median(p.reference.cpu);
    const Decoder best = Fastest(p);
    const Series& real = p.inflateMd5.at(best);
    std::printf("%s\n", p.what.c_str());
    std::printf("  ours        wall %7.3f s  CPU %7.3f s  peak %6.1f MiB  (extraction %.3f s, manifest check %.3f s)\n", ow,
                oc, p.ours.peakKiB / 1024.0, Median(p.ours.extract), Median(p.ours.hash));
    std::printf("  reference   wall %7.3f s  CPU %7.3f s  peak %6.1f MiB\n", tw, tc, p.reference.peakKiB / 1024.0);
    std::printf("  MD5 floor   wall %7.3f s  CPU %7.3f s  (MD5 of every extracted byte once, all cores)\n",
                Median(p.md5Floor.wall), Median(p.md5Floor.cpu));
    std::printf("  real floor  wall %7.3f s  CPU %7.3f s  (inflate with %s + MD5, all cores, in memory)\n",
                Median(real.wall), Median(real.cpu), DecoderName(best));
    std::printf("  writing     wall %7.3f s  CPU %7.3f s  (the files created and filled with zeros, all cores)\n",
                Median(p.write.wall), Median(p.write.cpu));
    for (Decoder d : kDecoders)
        std::printf("  %-11s inflate wall %7.3f s  CPU %7.3f s   with MD5 wall %7.3f s  CPU %7.3f s  peak %6.1f MiB\n",
                    DecoderName(d), Median(p.inflate.at(d).wall), Median(p.inflate.at(d).cpu),
                    Median(p.inflateMd5.at(d).wall), Median(p.inflateMd5.at(d).cpu), p.inflateMd5.at(d).peakKiB / 1024.0);
    const double lib = Median(p.inflate.at(Decoder::Libdeflate).wall);
    const double libCpu = Median(p.inflate.at(Decoder::Libdeflate).cpu);
    std::printf("  isal / libdeflate (inflate alone)  streaming wall %5.2f CPU %5.2f   whole wall %5.2f CPU %5.2f\n",
                Median(p.inflate.at(Decoder::Isal).wall) / lib, Median(p.inflate.at(Decoder::Isal).cpu) / libCpu,
                Median(p.inflate.at(Decoder::IsalWhole).wall) / lib, Median(p.inflate.at(Decoder::IsalWhole).cpu) / libCpu);
    std::printf("  ratio       wall %7.3f    CPU %7.3f    check / MD5 floor %5.2f    check / real floor %5.2f (CPU %5.2f)\n",
                ow / tw, oc / tc, ow / Median(p.md5Floor.wall), ow / Median(real.wall), oc / Median(real.cpu));
}

void ReportMd5(const std::string& what, const Series& ours, const Series& theirs) {
    const double ow = Median(ours.wall), tw = Median(theirs.wall), oc = Median(ours.cpu), tc = Median(theirs.cpu);
    std::printf("%s\n", what.c_str());
    std::printf("  ours        wall %7.3f s  CPU %7.3f s  peak %6.1f MiB\n", ow, oc, ours.peakKiB / 1024.0);
    std::printf("  reference   wall %7.3f s  CPU %7.3f s  peak %6.1f MiB\n", tw, tc, theirs.peakKiB / 1024.0);
    std::printf("  ratio       wall %7.3f    CPU %7.3f\n", ow / tw, oc / tc);
}

// This process's peak (VmHWM) or present (VmRSS) resident set, KiB; 0 when unknown.
long OwnMemoryKiB(const char* field = "VmHWM") {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    long kib = 0;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, field, std::strlen(field)) == 0 && line[std::strlen(field)] == ':') {
            kib = std::atol(line + std::strlen(field) + 1);
            break;
        }
    std::fclose(f);
    return kib;
}

// Ends a one-shot mode: its own peak for the timing loop, then its result.
int Done(int result) {
    std::printf("VmHWM %ld\n", OwnMemoryKiB());
    return result;
}

// One-shot modes, run as children by the timing loop.
int CheckOnce(const std::string& dest, const std::string& pack) {
    const Clock::time_point a = Clock::now();
    ExtractedDigests written;
    if (ExtractArchive(Wide(dest), Wide(pack), &written).status != kUnzipDone) return 3;
    const Clock::time_point b = Clock::now();
    bool damaged;
    {
        CFolderMD5Check check(Wide(dest), &written);
        damaged = check.IsDamaged();
    }
    std::printf("%.4f %.4f\n", Seconds(a, b), Seconds(b, Clock::now()));
    return damaged ? 1 : 0;
}

int Md5Once(const std::string& file) { return GetFileMD5(file.c_str(), true) ? 0 : 1; }

int FloorOnce(const std::string& dir) {
    std::vector<std::string> files;
    FILE* list = popen(("find '" + dir + "' -type f").c_str(), "r");
    if (!list) return 2;
    char line[4096];
    while (std::fgets(line, sizeof line, list)) {
        std::string path(line);
        if (!path.empty() && path.back() == '\n') path.pop_back();
        files.push_back(path);
    }
    if (pclose(list) != 0 || files.empty()) return 2;
    std::vector<std::string> hex(files.size());
    RunIndexedJobs(files.size(), WorkerThreadCount(),
                   [&](size_t i) { FileMD5Hex(platform::Utf8ToWide(files[i]), &hex[i]); });
    for (const std::string& h : hex)
        if (h.size() != 32) return 1;
    return 0;
}


int WriteOnce(const std::string& dest, const std::string& pack) {
    std::string reason;
    if (WritePackFiles(pack, dest, &reason)) return 0;
    std::fprintf(stderr, "%s\n", reason.c_str());
    return 1;
}

int InflateOnce(const std::string& decoderName, const std::string& pack, bool md5) {
    Decoder decoder;
    std::string reason;
    if (!ParseDecoder(decoderName, &decoder)) return 2;
    if (InflatePack(pack, decoder, md5, &reason)) return 0;
    std::fprintf(stderr, "%s\n", reason.c_str());
    return 1;
}

std::string PackFolder(const std::string& dir, const std::string& src) {
    const std::string pack = dir + "/AppUpgradePack.zip";
    ToolOutput io;
    if (RunPackTool({L"make", L"--model", L"M3710", L"--kind", L"app", L"-o", Wide(pack), Wide(src)}, io) != 0) {
        std::fprintf(stderr, "%s", io.err.c_str());
        std::exit(2);
    }
    return pack;
}

std::string MakePack(const std::string& dir, size_t totalMiB, int files, std::mt19937_64& rng) {
    const std::string src = dir + "/src";
    Run("mkdir -p '" + src + "'");
    const size_t total = totalMiB << 20;
    size_t made = 0;
    for (int i = 0; i < files; ++i) {
        std::string sub = src + "/d" + std::to_string(i % 8);
        Run("mkdir -p '" + sub + "'");
        size_t size = i + 1 == files ? total - made : total / files;
        WriteContent(sub + "/f" + std::to_string(i) + ".bin", size, rng);
        made += size;
    }
    return PackFolder(dir, src);
}

std::string MakeTerminalPack(const std::string& dir, size_t totalMiB) {
    const std::string src = dir + "/src";
    if (!CopyTerminalFiles(src, totalMiB)) {
        std::fprintf(stderr, "too few executables, DLLs or headers on this machine for a %zu MiB pack\n", totalMiB);
        std::exit(2);
    }
    return PackFolder(dir, src);
}

// The entries sweep's packs: small files (1 to 8 KiB, of the same content
// as the large packs) in folders of 100, as terminals' resource trees come.
constexpr int kEntriesPerFolder = 100;
const int kEntryCounts[] = {300, 2000, 20000};

std::string MakeEntriesPack(const std::string& dir, int entries, std::mt19937_64& rng) {
    const std::string src = dir + "/src";
    std::string sub;
    for (int i = 0; i < entries; ++i) {
        if (i % kEntriesPerFolder == 0) {
            char name[16];
            std::snprintf(name, sizeof name, "/d%03d", i / kEntriesPerFolder);
            sub = src + name;
            Run("mkdir -p '" + sub + "'");
        }
        WriteContent(sub + "/f" + std::to_string(i) + ".bin", 1024 + rng() % 7168, rng);
    }
    return PackFolder(dir, src);
}

// A path as a Windows program under Wine takes it (drive Z: is the root).
std::string WinePath(const std::string& unixPath) {
    std::string p = "Z:" + unixPath;
    std::replace(p.begin(), p.end(), '/', '\\');
    return p;
}

struct EntriesRow {
    int entries = 0;
    std::string pack;
    Series check, reference, write, packtool, windows;
};

std::vector<std::string> Joined(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Microseconds per entry of a median, less a fixed start-up cost.
double PerEntry(const std::vector<double>& seconds, double startup, int entries) {
    return (Median(seconds) - startup) / entries * 1e6;
}

// An ext4 without a journal (this machine's) reuses no inode freed in the
// last minute (the last six while its inode table block is unwritten) and
// steps over every such one each time it allocates: a file created just
// after thousands were deleted costs several times one made on a quiet
// disk. So the check, the
// reference and the writing floor each write into a folder of their own
// that stays until the end of the sweep; the pack tool deletes its working
// folder when it ends, as it does in use, so each of its runs meets the
// deletion of the one before.
int EntriesSweep(const std::string& self, const std::string& work, int rounds,
                 const std::vector<std::string>& windowsTool) {
    const std::string nativeTool = self.substr(0, self.rfind('/') + 1) + "packtool";
    Run("rm -rf '" + work + "' && mkdir -p '" + work + "'");
    std::mt19937_64 rng(54321);
    std::vector<EntriesRow> rows;
    for (int n : kEntryCounts) {
        EntriesRow row;
        row.entries = n;
        row.pack = MakeEntriesPack(work + "/e" + std::to_string(n), n, rng);
        rows.push_back(row);
    }
    const std::vector<std::string> checkArgs = {"check", "--model", "M3710", "--kind", "app"};
    for (int r = 0; r <= rounds; ++r) {  // round 0 warms the caches and is not counted
        for (EntriesRow& row : rows) {
            const std::string at = work + "/out-" + std::to_string(r) + "-" + std::to_string(row.entries);
            Measure check = RunChild({self, "--check", at + "-ours", row.pack});
            Measure reference = RunShell("unzip -q -o '" + row.pack + "' -d '" + at + "-theirs' && find '" + at +
                                         "-theirs' -type f -print0 | xargs -0 md5sum > /dev/null");
            Measure write = RunChild({self, "--write", at + "-write", row.pack});
            if (r > 0) {
                row.check.Add(check);
                row.reference.Add(reference);
                row.write.Add(write);
            }
        }
    }
    Series nativeStart, windowsStart;  // `--version`: the programs' start-up alone
    for (int r = 0; r <= rounds; ++r) {
        const bool counted = r > 0;
        Measure start = RunChild({nativeTool, "--version"});
        if (counted) nativeStart.Add(start);
        if (!windowsTool.empty()) {
            Measure wineStart = RunChild(Joined(windowsTool, {"--version"}));
            if (counted) windowsStart.Add(wineStart);
        }
        for (EntriesRow& row : rows) {
            Measure tool = RunChild(Joined(Joined({nativeTool}, checkArgs), {row.pack}));
            if (counted) row.packtool.Add(tool);
            if (!windowsTool.empty()) {
                Measure windows = RunChild(Joined(Joined(windowsTool, checkArgs), {WinePath(row.pack)}));
                if (counted) row.windows.Add(windows);
            }
        }
    }
    const double ns = Median(nativeStart.wall), nsc = Median(nativeStart.cpu);
    const double ws = windowsStart.wall.empty() ? 0 : Median(windowsStart.wall);
    const double wsc = windowsStart.cpu.empty() ? 0 : Median(windowsStart.cpu);
    std::printf("entries sweep: %d rounds on %u threads, small files (1 to 8 KiB) in folders of %d; medians in "
                "microseconds per entry\n", rounds, WorkerThreadCount(), kEntriesPerFolder);
    std::printf("(packtool rows: less the program's start-up, `--version`: native %.3f s wall %.3f s CPU", ns, nsc);
    if (!windowsTool.empty()) std::printf(", Windows %.3f s wall %.3f s CPU", ws, wsc);
    std::printf("; a Windows program's CPU time leaves out wineserver's)\n");
    std::printf("%8s  %-27s %-17s %-15s %-15s %-15s %s\n", "entries", "check wall/CPU (extr, mfst)",
                "unzip+md5sum w/C", "ratio wall/CPU", "writing w/C", "packtool w/C", "packtool.exe (Wine) w/C");
    for (const EntriesRow& row : rows) {
        const int n = row.entries;
        std::printf("%8d  %6.1f/%6.1f (%5.1f, %5.1f)  %7.1f/%7.1f   %5.2f/%5.2f     %6.1f/%6.1f  %6.1f/%6.1f   ", n,
                    PerEntry(row.check.wall, 0, n), PerEntry(row.check.cpu, 0, n), PerEntry(row.check.extract, 0, n),
                    PerEntry(row.check.hash, 0, n), PerEntry(row.reference.wall, 0, n),
                    PerEntry(row.reference.cpu, 0, n), Median(row.check.wall) / Median(row.reference.wall),
                    Median(row.check.cpu) / Median(row.reference.cpu), PerEntry(row.write.wall, 0, n),
                    PerEntry(row.write.cpu, 0, n), PerEntry(row.packtool.wall, ns, n),
                    PerEntry(row.packtool.cpu, nsc, n));
        if (row.windows.wall.empty())
            std::printf("-\n");
        else
            std::printf("%6.1f/%6.1f\n", PerEntry(row.windows.wall, ws, n), PerEntry(row.windows.cpu, wsc, n));
    }
    std::printf("peak of the check:");
    for (const EntriesRow& row : rows) std::printf("  %d entries %.1f MiB", row.entries, row.check.peakKiB / 1024.0);
    std::printf("\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--check") return Done(CheckOnce(argv[2], argv[3]));
    if (argc == 4 && std::string(argv[1]) == "--write") return Done(WriteOnce(argv[2], argv[3]));
    if (argc == 3 && std::string(argv[1]) == "--md5") return Done(Md5Once(argv[2]));
    if (argc == 3 && std::string(argv[1]) == "--floor") return Done(FloorOnce(argv[2]));
    if ((argc == 4 || (argc == 5 && std::string(argv[4]) == "--md5")) && std::string(argv[1]) == "--inflate")
        return Done(InflateOnce(argv[2], argv[3], argc == 5));
    if (argc < 2) {
        std::fprintf(stderr, "usage: pack_bench WORKDIR [TOTAL_MIB] [FILES] [ROUNDS]\n");
        return 2;
    }
    char selfPath[4096] = {};
    if (readlink("/proc/self/exe", selfPath, sizeof selfPath - 1) <= 0) return 2;
    const std::string self = selfPath;
    if (argc >= 3 && std::string(argv[1]) == "--entries")
        return EntriesSweep(self, argv[2], std::max(1, argc > 3 ? std::atoi(argv[3]) : 3),
                            std::vector<std::string>(argv + std::min(argc, 4), argv + argc));
    const std::string work = argv[1];
    const size_t totalMiB = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 256;
    const int files = argc > 3 ? std::atoi(argv[3]) : 300;
    const int rounds = std::max(1, argc > 4 ? std::atoi(argv[4]) : 5);
    const size_t smallMiB = std::max<size_t>(1, totalMiB / 4);

    Run("rm -rf '" + work + "' && mkdir -p '" + work + "'");
    std::mt19937_64 rng(12345);
    std::vector<PackSeries> packs(3);
    packs[0].pack = MakePack(work + "/large", totalMiB, files, rng);
    packs[0].what = "check, " + std::to_string(totalMiB) + " MiB in " + std::to_string(files) + " files:";
    packs[1].pack = MakePack(work + "/small", smallMiB, files, rng);
    packs[1].what = "check, " + std::to_string(smallMiB) + " MiB in " + std::to_string(files) + " files:";
    packs[2].pack = MakeTerminalPack(work + "/terminal", smallMiB);
    packs[2].what = "check, " + std::to_string(smallMiB) + " MiB of terminal files (Windows executables and DLLs, "
                    "native executables, C headers):";
    const std::string big = work + "/big.bin";
    Run("cat " + work + "/large/src/d*/*.bin > '" + big + "'");

    Series md5, md5sum;
    for (int r = 0; r <= rounds; ++r) {  // round 0 warms the caches and is not counted
        const bool counted = r > 0;
        for (size_t i = 0; i < packs.size(); ++i) {
            PackSeries& p = packs[i];
            // Folders of their own, deleted only with the work folder: see
            // the note above EntriesSweep on why no tree is deleted before
            // the next is made.
            const std::string at = work + "/out-" + std::to_string(r) + "-" + std::to_string(i);
            const std::string ours = at + "-ours", theirs = at + "-theirs";
            Measure check = RunChild({self, "--check", ours, p.pack});
            Measure floor = RunChild({self, "--floor", ours});
            Measure reference = RunShell("unzip -q -o '" + p.pack + "' -d '" + theirs + "' && find '" + theirs +
                                         "' -type f -print0 | xargs -0 md5sum > /dev/null");
            Measure write = RunChild({self, "--write", at + "-write", p.pack});
            // Emptied, not deleted: their pages go unwritten, their inodes
            // stay taken.
            Run("find '" + at + "'-* -type f -exec truncate -s 0 {} +");
            if (counted) {
                p.ours.Add(check);
                p.md5Floor.Add(floor);
                p.reference.Add(reference);
                p.write.Add(write);
            }
            for (Decoder d : kDecoders) {
                Measure alone = RunChild({self, "--inflate", DecoderName(d), p.pack});
                Measure withMd5 = RunChild({self, "--inflate", DecoderName(d), p.pack, "--md5"});
                if (counted) {
                    p.inflate[d].Add(alone);
                    p.inflateMd5[d].Add(withMd5);
                }
            }
        }
        Measure m = RunChild({self, "--md5", big});
        Measure s = RunShell("md5sum '" + big + "' > /dev/null");
        if (counted) {
            md5.Add(m);
            md5sum.Add(s);
        }
    }
    std::printf("%d rounds on %u threads (medians of wall and CPU time; peak memory is the largest of the rounds)\n",
                rounds, WorkerThreadCount());
    std::printf("(peaks of our modes are their own VmHWM; a reference's includes this program's resident set at the "
                "fork, %.1f MiB)\n", OwnMemoryKiB("VmRSS") / 1024.0);
    for (const PackSeries& p : packs) Report(p);
    ReportMd5("MD5 of one " + std::to_string(totalMiB) + " MiB file:", md5, md5sum);
    return 0;
}
