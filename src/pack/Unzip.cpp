#include "pack/Unzip.h"

#include <cstdio>
#include <memory>

#include "pack/ZipExtraction.h"
#include "pack/ZipFileFunctions.h"
#include "platform/File.h"
#include "platform/FileExtra.h"
#include "platform/Text.h"

namespace {

constexpr size_t kNameBuffer = 260;  // bytes, terminator included
constexpr size_t kCopyBuffer = 8192;

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

// Copies the entry's data into the open file through one buffer; 0 at the
// end of data or when a write stores nothing, else the negative read status.
int CopyEntryData(unzFile zip, FILE* out) {
    char buffer[kCopyBuffer];
    int count;
    do {
        count = unzReadCurrentFile(zip, buffer, sizeof buffer);
        if (count > 0) count = static_cast<int>(std::fwrite(buffer, 1, static_cast<size_t>(count), out));
    } while (count > 0);
    return count < 0 ? count : 0;
}

}  // namespace

int ExtractCurrentEntry(const std::wstring& destFolder, unzFile zip) {
    char name[kNameBuffer] = {};
    unz_file_info64 info;
    int status = unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0);
    if (status != UNZ_OK) return status;
    // A name that does not fit the buffer, or that would lead outside the
    // destination, is skipped like an entry whose folder cannot be made.
    if (info.size_filename >= kNameBuffer) return 0;
    const std::wstring entryName = platform::AnsiToWide(name);
    if (!IsSafeEntryName(entryName)) return 0;
    const std::wstring path = destFolder + L"\\" + entryName;
    if (platform::WideToUtf16(path).size() >= platform::kMaxPath) return 0;

    const size_t lastSeparator = path.find_last_of(L"\\/");
    if (lastSeparator + 1 == path.size()) {  // a folder entry
        MakeDirectoryChain(path);
        return 0;
    }
    const std::wstring folder = path.substr(0, lastSeparator + 1);
    uint32_t attributes = 0;
    if (!MakeDirectoryChain(folder) && !platform::GetAttributes(folder, &attributes)) return 0;

    // Windows refuses to open a read-only file for writing; the native build
    // does the same so both leave such a file untouched.
    if (platform::IsReadOnly(path)) return 0;
    int result = 0;
    {
        std::unique_ptr<FILE, FileCloser> out(platform::OpenFile(path, "wb"));
        if (!out) return 0;
        unzOpenCurrentFile(zip);  // a failed open shows in the first read
        result = CopyEntryData(zip, out.get());
        unzCloseCurrentFile(zip);  // the CRC verdict is left to the manifest check
    }
    const tm_unz& d = info.tmu_date;
    platform::LocalTime when{static_cast<int>(d.tm_year), static_cast<int>(d.tm_mon) + 1, static_cast<int>(d.tm_mday),
                             static_cast<int>(d.tm_hour), static_cast<int>(d.tm_min), static_cast<int>(d.tm_sec)};
    platform::SetFileLocalTime(path, when);  // no valid date: the times stay as the write made them
    return result;
}

bool DeclaredArchiveSize(unzFile zip, uint64_t* total) {
    uint64_t sum = 0;
    int status = unzGoToFirstFile(zip);
    while (status == UNZ_OK) {
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return false;
        sum = info.uncompressed_size > UINT64_MAX - sum ? UINT64_MAX : sum + info.uncompressed_size;
        status = unzGoToNextFile(zip);
    }
    *total = sum;
    return status == UNZ_END_OF_LIST_OF_FILE;
}

extern "C" int32_t unzip(const wchar_t* destFolder, const wchar_t* zipPath) {
    if (!destFolder || !zipPath) return -1;
    uint32_t attributes = 0;
    if (!platform::GetAttributes(zipPath, &attributes)) return -1;
    bool lossless = true;
    const std::string ansiPath = platform::WideToAnsi(zipPath, &lossless);
    if (!lossless) return -1;  // the ANSI code page cannot name this archive
    zlib_filefunc64_def functions = AnsiPathFileFunctions();
    unzFile zip = unzOpen2_64(ansiPath.c_str(), &functions);
    if (!zip) return IsEmptyZipArchive(ansiPath) ? 0 : -1;

    const std::wstring dest = destFolder;
    // Never fill the disk of the working folder: minizip stops every entry
    // at its declared size, so the declared sum bounds what can be written.
    uint64_t declared = 0, freeBytes = 0;
    if (DeclaredArchiveSize(zip, &declared) && FreeBytesForFolder(dest, &freeBytes) && declared > freeBytes) {
        unzClose(zip);
        return -1;
    }
    unzGoToFirstFile(zip);

    unz_global_info64 global;
    int status = unzGetGlobalInfo64(zip, &global);
    if (status == UNZ_OK) {
        for (ZPOS64_T i = 0; i < global.number_entry; ++i) {
            if (ExtractCurrentEntry(dest, zip) != 0) break;
            if (i + 1 < global.number_entry) {
                status = unzGoToNextFile(zip);
                if (status != UNZ_OK) break;
            }
        }
    }
    unzClose(zip);
    return status;
}
