#include "pack/ZipWriter.h"

#include <zlib.h>

#include <cstdio>
#include <memory>

#include "pack/ZipFileFunctions.h"
#include "platform/FileCloser.h"

namespace {
constexpr uint64_t kZip64Threshold = 0xFFFFFFFFull;
}  // namespace

ZipWriter::~ZipWriter() {
    if (m_zip) zipClose(m_zip, nullptr);
}

bool ZipWriter::Open(const std::wstring& path) {
    if (m_zip) return false;
    zlib_filefunc64_def functions = WidePathFileFunctions();
    m_zip = zipOpen2_64(path.c_str(), APPEND_STATUS_CREATE, nullptr, &functions);
    return m_zip != nullptr;
}

bool ZipWriter::Begin(const std::string& name, const platform::LocalTime& time, int method, int level, bool raw,
                      bool large) {
    if (!m_zip) return false;
    zip_fileinfo info{};
    info.tmz_date.tm_year = static_cast<uInt>(time.year);
    info.tmz_date.tm_mon = static_cast<uInt>(time.month - 1);
    info.tmz_date.tm_mday = static_cast<uInt>(time.day);
    info.tmz_date.tm_hour = static_cast<uInt>(time.hour);
    info.tmz_date.tm_min = static_cast<uInt>(time.minute);
    info.tmz_date.tm_sec = static_cast<uInt>(time.second);
    return zipOpenNewFileInZip3_64(m_zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method, level,
                                   raw ? 1 : 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0,
                                   large ? 1 : 0) == ZIP_OK;
}

bool ZipWriter::AddData(const std::string& name, const std::string& data, const platform::LocalTime& time,
                        int level) {
    if (!Begin(name, time, level == 0 ? 0 : Z_DEFLATED, level, false, data.size() >= kZip64Threshold))
        return false;
    bool ok = data.empty() ||
              zipWriteInFileInZip(m_zip, data.data(), static_cast<unsigned>(data.size())) == ZIP_OK;
    return zipCloseFileInZip(m_zip) == ZIP_OK && ok;
}

bool ZipWriter::AddFile(const std::string& name, const std::wstring& sourcePath, const platform::LocalTime& time,
                        int level) {
    uint64_t size = 0;
    if (!platform::FileSize(sourcePath, &size)) return false;
    platform::FilePtr in(platform::OpenFile(sourcePath, "rb"));
    if (!in) return false;
    if (!Begin(name, time, level == 0 ? 0 : Z_DEFLATED, level, false, size >= kZip64Threshold)) return false;
    bool ok = true;
    static thread_local char buffer[64 * 1024];
    size_t got;
    while (ok && (got = std::fread(buffer, 1, sizeof buffer, in.get())) > 0)
        ok = zipWriteInFileInZip(m_zip, buffer, static_cast<unsigned>(got)) == ZIP_OK;
    if (std::ferror(in.get())) ok = false;
    return zipCloseFileInZip(m_zip) == ZIP_OK && ok;
}

bool ZipWriter::AddFolder(const std::string& name, const platform::LocalTime& time) {
    if (!Begin(name, time, 0, 0, false, false)) return false;
    return zipCloseFileInZip(m_zip) == ZIP_OK;
}

bool ZipWriter::AddRawDeflated(const std::string& name, const std::string& deflated, uint64_t declaredSize,
                               uint32_t crc) {
    if (!Begin(name, {2020, 1, 1, 0, 0, 0}, Z_DEFLATED, 6, true, declaredSize >= kZip64Threshold)) return false;
    bool ok = deflated.empty() ||
              zipWriteInFileInZip(m_zip, deflated.data(), static_cast<unsigned>(deflated.size())) == ZIP_OK;
    return zipCloseFileInZipRaw64(m_zip, declaredSize, crc) == ZIP_OK && ok;
}

bool ZipWriter::Close() {
    if (!m_zip) return false;
    bool ok = zipClose(m_zip, nullptr) == ZIP_OK;
    m_zip = nullptr;
    return ok;
}
