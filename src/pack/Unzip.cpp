#include "pack/Unzip.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "pack/EntryData.h"
#include "pack/FileDigest.h"
#include "pack/IndexedJobs.h"
#include "pack/Md5.h"
#include "pack/ZipExtraction.h"
#include "pack/ZipFileFunctions.h"
#include "platform/File.h"
#include "platform/FileCloser.h"
#include "platform/FileExtra.h"
#include "platform/Text.h"

namespace {

constexpr size_t kNameBuffer = 260;  // bytes, terminator included
// How often the working disk's free space is looked at while writing.
constexpr uint64_t kSpaceCheckInterval = 8ull * 1024 * 1024;

UnzipOutcome Damaged(const std::string& reason) { return {kUnzipDamaged, reason}; }
UnzipOutcome NoSpace(const std::string& reason) { return {kUnzipCannotOpenOrNoSpace, reason}; }

// What the whole extraction may write: the archive's declared total, and
// never so much that the working disk drops below its reserve. Shared by
// the entries extracted at once.
class WriteBudget {
public:
    WriteBudget(std::wstring dest, uint64_t declaredTotal) : m_dest(std::move(dest)), m_declared(declaredTotal) {}

    UnzipOutcome Spend(uint64_t bytes) {
        std::lock_guard<std::mutex> hold(m_lock);
        m_written += bytes;
        if (m_written > m_declared) return Damaged("more data than the archive declares");
        if (m_written >= m_nextCheck) {
            m_nextCheck = m_written + kSpaceCheckInterval;
            uint64_t freeBytes = 0;
            if (!FreeBytesForFolder(m_dest, &freeBytes) || freeBytes < kWorkingDiskReserve)
                return NoSpace("the working disk is nearly full");
        }
        return {};
    }

private:
    std::mutex m_lock;
    std::wstring m_dest;
    uint64_t m_declared;
    uint64_t m_written = 0;
    uint64_t m_nextCheck = kSpaceCheckInterval;
};

struct ZipCloser {
    void operator()(unzFile z) const { unzClose(z); }
};

// The folders this extraction has made or found, so that each is made once
// and not again for every entry in it.
class MadeFolders {
public:
    // True when `folder` (and its parents) exist as folders, made if needed.
    bool Make(const std::wstring& folder) {
        {
            std::lock_guard<std::mutex> hold(m_lock);
            if (m_known.count(folder)) return true;
        }
        if (!MakeDirectoryChain(folder) && !platform::IsDirectory(folder)) return false;
        std::lock_guard<std::mutex> hold(m_lock);
        m_known.insert(folder);
        return true;
    }

private:
    std::mutex m_lock;
    std::unordered_set<std::wstring> m_known;
};

// Opens the entry's file for writing. A new file takes one call; only when
// the path is taken already is it looked at: Windows refuses to open a
// read-only file for writing, and the native build does the same, so both
// leave such a file untouched.
UnzipOutcome CreateEntryFile(const std::wstring& path, platform::FilePtr* out) {
    platform::FsError error = platform::FsError::None;
    out->reset(platform::CreateNewFile(path, &error));
    if (!*out && error == platform::FsError::AlreadyExists) {
        if (platform::IsReadOnly(path)) return Damaged("a read-only file stands in an entry's place");
        out->reset(platform::OpenFile(path, "wb"));
    }
    if (!*out) return Damaged("an entry's file cannot be created");
    // The data comes in pieces of 8 KiB and more: a stream buffer would
    // only copy it (and take a stat to size itself).
    std::setvbuf(out->get(), nullptr, _IONBF, 0);
    return {};
}

// Writes one entry; for a file, `*md5Hex` gets the MD5 of what was written.
UnzipOutcome ExtractEntry(const std::wstring& destFolder, EntryScratch& scratch, const SurveyEntry& expected,
                          const tm_unz& date, MadeFolders& folders, WriteBudget& budget, std::wstring* relative,
                          std::wstring* md5Hex) {
    *relative = WithoutDotComponents(platform::AnsiToWide(expected.name));
    const std::wstring path = destFolder + L"\\" + *relative;

    const size_t lastSeparator = path.find_last_of(L"\\/");
    if (lastSeparator + 1 == path.size()) {  // a folder entry
        if (!folders.Make(path)) return Damaged("a folder cannot be created");
        return {};
    }
    if (!folders.Make(path.substr(0, lastSeparator + 1))) return Damaged("a folder cannot be created");
    platform::FilePtr out;
    UnzipOutcome created = CreateEntryFile(path, &out);
    if (created.status != 0) return created;
    // The manifest check takes the digest from the bytes written here
    // instead of reading the file back.
    Md5Context md5;
    Md5Init(&md5);
    UnzipOutcome copied = CopyEntryData(expected, scratch, [&](const char* data, size_t n) {
        if (std::fwrite(data, 1, n, out.get()) != n) return NoSpace("a write to the working disk failed");
        Md5Update(&md5, data, n);
        return budget.Spend(n);
    });
    if (copied.status != 0) return copied;
    // Set on the open file (its bytes flushed first); no valid date: the
    // times stay as the write made them.
    platform::LocalTime when{static_cast<int>(date.tm_year), static_cast<int>(date.tm_mon) + 1,
                             static_cast<int>(date.tm_mday), static_cast<int>(date.tm_hour),
                             static_cast<int>(date.tm_min), static_cast<int>(date.tm_sec)};
    platform::SetOpenFileLocalTime(out.get(), when);
    if (std::fclose(out.release()) != 0) return NoSpace("a write to the working disk failed");
    unsigned char digest[16];
    Md5Final(&md5, digest);
    *md5Hex = platform::AnsiToWide(DigestHex(digest));
    return {};
}

// Archive streams for the threads that extract at once: each entry is read
// through a stream no other thread uses at that moment.
class EntryReaders {
public:
    explicit EntryReaders(std::string ansiPath) : m_path(std::move(ansiPath)) {}

    std::unique_ptr<EntryScratch> Take() {
        {
            std::lock_guard<std::mutex> hold(m_lock);
            if (!m_free.empty()) {
                std::unique_ptr<EntryScratch> r = std::move(m_free.back());
                m_free.pop_back();
                return r;
            }
        }
        auto reader = std::make_unique<EntryScratch>();
        reader->archive.reset(platform::OpenFileAnsi(m_path, "rb"));
        return reader;
    }
    void Give(std::unique_ptr<EntryScratch> r) {
        if (!r->archive) return;
        std::lock_guard<std::mutex> hold(m_lock);
        m_free.push_back(std::move(r));
    }

private:
    std::string m_path;
    std::mutex m_lock;
    std::vector<std::unique_ptr<EntryScratch>> m_free;
};

// Largest entries first, so that no thread is left with one big file at
// the end; equal sizes in archive order.
std::vector<size_t> LargestFirst(const ArchiveSurvey& survey) {
    std::vector<size_t> order(survey.entries.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return survey.entries[a].size > survey.entries[b].size; });
    return order;
}

// Extracts the entries on the processor's cores. The result is the one a
// walk in archive order gives: the first entry that fails, in archive
// order, names the outcome. Once one has failed, entries after it in
// archive order are not started any more; every entry before it still
// runs, so an earlier failure is still found.
UnzipOutcome ExtractEntries(const std::wstring& dest, const std::string& ansiPath, const ArchiveSurvey& survey,
                            const std::vector<tm_unz>& dates, WriteBudget& budget, ExtractedDigests* digests) {
    const size_t count = survey.entries.size();
    std::vector<UnzipOutcome> outcomes(count);
    std::vector<std::wstring> names(count), md5s(count);
    std::atomic<size_t> firstFailure{count};
    EntryReaders readers(ansiPath);
    MadeFolders folders;
    const std::vector<size_t> order = LargestFirst(survey);
    RunIndexedJobs(count, WorkerThreadCount(), [&](size_t k) {
        const size_t i = order[k];
        if (i > firstFailure.load()) return;
        std::unique_ptr<EntryScratch> reader = readers.Take();
        if (!reader->archive)
            outcomes[i] = Damaged("an entry's data cannot be read");
        else
            outcomes[i] =
                ExtractEntry(dest, *reader, survey.entries[i], dates[i], folders, budget, &names[i], &md5s[i]);
        readers.Give(std::move(reader));
        if (outcomes[i].status != 0) {
            size_t seen = firstFailure.load();
            while (i < seen && !firstFailure.compare_exchange_weak(seen, i)) {
            }
        }
    });
    const size_t failed = firstFailure.load();
    if (failed < count) return outcomes[failed];
    if (digests) {
        for (size_t i = 0; i < count; ++i) {
            if (md5s[i].empty()) continue;  // a folder
            std::wstring key = L".\\" + names[i];
            std::replace(key.begin(), key.end(), L'/', L'\\');
            (*digests)[key] = std::move(md5s[i]);
        }
    }
    return {};
}

}  // namespace

UnzipOutcome ExtractArchive(const std::wstring& dest, const std::wstring& zipPath, ExtractedDigests* digests) {
    uint32_t attributes = 0;
    if (!platform::GetAttributes(zipPath, &attributes)) return NoSpace("no such file");
    bool lossless = true;
    const std::string ansiPath = platform::WideToAnsi(zipPath, &lossless);
    if (!lossless) return NoSpace("the ANSI code page cannot name the archive");
    zlib_filefunc64_def functions = AnsiPathFileFunctions();
    std::unique_ptr<void, ZipCloser> zip(unzOpen2_64(ansiPath.c_str(), &functions));
    if (!zip) {
        if (IsEmptyZipArchive(ansiPath)) return {};
        return NoSpace("not a zip archive");
    }

    // Everything about the archive is decided before anything is written.
    ArchiveSurvey survey;
    std::string reason;
    if (!SurveyArchive(ansiPath, &survey, &reason)) return Damaged(reason);
    if (const char* problem = EntriesProblem(survey, dest)) return Damaged(problem);
    uint64_t freeBytes = 0;
    if (!FreeBytesForFolder(dest, &freeBytes) || freeBytes < kWorkingDiskReserve ||
        survey.declaredTotal > freeBytes - kWorkingDiskReserve)
        return NoSpace("larger than the free space of the working disk");

    unz_global_info64 global;
    if (unzGetGlobalInfo64(zip.get(), &global) != UNZ_OK || global.number_entry != survey.entries.size())
        return Damaged("the central directory cannot be walked");
    // One walk of the directory through minizip: every record must name the
    // entry the survey read there, and each entry's stored time is taken
    // here, so the threads need no archive handle of their own.
    std::vector<tm_unz> dates(survey.entries.size());
    for (size_t i = 0; i < survey.entries.size(); ++i) {
        char name[kNameBuffer] = {};
        unz_file_info64 info;
        if ((i > 0 && unzGoToNextFile(zip.get()) != UNZ_OK) ||
            unzGetCurrentFileInfo64(zip.get(), &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK ||
            survey.entries[i].name != name)
            return Damaged("the central directory cannot be walked");
        dates[i] = info.tmu_date;
    }
    zip.reset();
    WriteBudget budget(dest, survey.declaredTotal);
    return ExtractEntries(dest, ansiPath, survey, dates, budget, digests);
}

extern "C" int32_t unzip(const wchar_t* destFolder, const wchar_t* zipPath) {
    if (!destFolder || !zipPath) return kUnzipCannotOpenOrNoSpace;
    return ExtractArchive(destFolder, zipPath).status;
}
