#include "pack/Unzip.h"

#include <cstdio>
#include <memory>

#include "pack/EntryData.h"
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
// never so much that the working disk drops below its reserve.
class WriteBudget {
public:
    WriteBudget(std::wstring dest, uint64_t declaredTotal) : m_dest(std::move(dest)), m_declared(declaredTotal) {}

    UnzipOutcome Spend(uint64_t bytes) {
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
    std::wstring m_dest;
    uint64_t m_declared;
    uint64_t m_written = 0;
    uint64_t m_nextCheck = kSpaceCheckInterval;
};

UnzipOutcome ExtractEntry(const std::wstring& destFolder, unzFile zip, const SurveyEntry& expected,
                          WriteBudget& budget) {
    char name[kNameBuffer] = {};
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK ||
        expected.name != name)
        return Damaged("the central directory cannot be walked");
    const std::wstring path = destFolder + L"\\" + platform::AnsiToWide(name);

    const size_t lastSeparator = path.find_last_of(L"\\/");
    if (lastSeparator + 1 == path.size()) {  // a folder entry
        if (!MakeDirectoryChain(path) && !platform::IsDirectory(path)) return Damaged("a folder cannot be created");
        return {};
    }
    const std::wstring folder = path.substr(0, lastSeparator + 1);
    if (!MakeDirectoryChain(folder) && !platform::IsDirectory(folder)) return Damaged("a folder cannot be created");
    // Windows refuses to open a read-only file for writing; the native build
    // does the same so both leave such a file untouched.
    if (platform::IsReadOnly(path)) return Damaged("a read-only file stands in an entry's place");
    {
        platform::FilePtr out(platform::OpenFile(path, "wb"));
        if (!out) return Damaged("an entry's file cannot be created");
        UnzipOutcome copied = CopyEntryData(zip, expected, [&](const char* data, size_t n) {
            if (std::fwrite(data, 1, n, out.get()) != n) return NoSpace("a write to the working disk failed");
            return budget.Spend(n);
        });
        if (copied.status != 0) return copied;
        if (std::fclose(out.release()) != 0) return NoSpace("a write to the working disk failed");
    }
    const tm_unz& d = info.tmu_date;
    platform::LocalTime when{static_cast<int>(d.tm_year), static_cast<int>(d.tm_mon) + 1, static_cast<int>(d.tm_mday),
                             static_cast<int>(d.tm_hour), static_cast<int>(d.tm_min), static_cast<int>(d.tm_sec)};
    platform::SetFileLocalTime(path, when);  // no valid date: the times stay as the write made them
    return {};
}

struct ZipCloser {
    void operator()(unzFile z) const { unzClose(z); }
};

}  // namespace

UnzipOutcome ExtractArchive(const std::wstring& dest, const std::wstring& zipPath) {
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
    WriteBudget budget(dest, survey.declaredTotal);
    for (size_t i = 0; i < survey.entries.size(); ++i) {
        if (i > 0 && unzGoToNextFile(zip.get()) != UNZ_OK) return Damaged("the central directory cannot be walked");
        UnzipOutcome entry = ExtractEntry(dest, zip.get(), survey.entries[i], budget);
        if (entry.status != 0) return entry;
    }
    return {};
}

extern "C" int32_t unzip(const wchar_t* destFolder, const wchar_t* zipPath) {
    if (!destFolder || !zipPath) return kUnzipCannotOpenOrNoSpace;
    return ExtractArchive(destFolder, zipPath).status;
}
