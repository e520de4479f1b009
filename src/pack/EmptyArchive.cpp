#include <cstdio>
#include <cstring>

#include "pack/ZipExtraction.h"
#include "platform/File.h"

namespace {
constexpr size_t kEndRecordSize = 22;
}

// An archive without entries is nothing but its end-of-central-directory
// record at offset 0, which minizip's reader cannot open (it takes a
// directory found at offset 0 for none found).
bool IsEmptyZipArchive(const std::string& ansiPath) {
    FILE* f = platform::OpenFileAnsi(ansiPath, "rb");
    if (!f) return false;
    unsigned char b[kEndRecordSize + 65535 + 1];
    size_t n = std::fread(b, 1, sizeof b, f);
    std::fclose(f);
    if (n < kEndRecordSize || std::memcmp(b, "PK\x05\x06", 4) != 0) return false;
    auto u16 = [&](size_t at) { return static_cast<unsigned>(b[at] | (b[at + 1] << 8)); };
    const size_t commentLength = u16(20);
    // No disks, no entries, an empty directory, and the comment ends the file.
    for (size_t at = 4; at < 20; at += 2)
        if (u16(at) != 0) return false;
    return n == kEndRecordSize + commentLength;
}
