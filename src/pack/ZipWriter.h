#pragma once
// Writes zip archives through minizip's zip interface: what the pack tool
// uses to make packs (and tests to make archives of every shape).
#include <minizip/zip.h>

#include <cstdint>
#include <string>

#include "platform/File.h"

class ZipWriter {
public:
    ZipWriter() = default;
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    bool Open(const std::wstring& path);
    // Entry names are bytes as stored (ANSI code page, '/' between folders).
    bool AddData(const std::string& name, const std::string& data, const platform::LocalTime& time,
                 int level = 6);
    // Streams a file from disk into the archive.
    bool AddFile(const std::string& name, const std::wstring& sourcePath, const platform::LocalTime& time,
                 int level = 6);
    bool AddFolder(const std::string& name, const platform::LocalTime& time);
    // Stores an already deflated stream with the declared size and CRC given
    // (lets tests build entries whose data disagrees with their header).
    bool AddRawDeflated(const std::string& name, const std::string& deflated, uint64_t declaredSize, uint32_t crc);
    bool Close();

private:
    bool Begin(const std::string& name, const platform::LocalTime& time, int method, int level, bool raw,
               bool large);

    zipFile m_zip = nullptr;
};
