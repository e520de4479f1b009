#include "pack/FileDigest.h"

#include <memory>
#include <vector>

#include "pack/Md5.h"
#include "platform/File.h"

namespace {
constexpr size_t kBlock = 64 * 1024;
}

std::string DigestHex(const unsigned char digest[16]) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex(32, '0');
    for (int i = 0; i < 16; ++i) {
        hex[2 * i] = kDigits[digest[i] >> 4];
        hex[2 * i + 1] = kDigits[digest[i] & 15];
    }
    return hex;
}

bool StreamMD5Hex(FILE* stream, std::string* hex) {
    if (!stream || !hex) return false;
    Md5Context ctx;
    Md5Init(&ctx);
    std::vector<unsigned char> block(kBlock);
    size_t got;
    while ((got = std::fread(block.data(), 1, block.size(), stream)) > 0) Md5Update(&ctx, block.data(), got);
    if (std::ferror(stream)) return false;
    unsigned char digest[16];
    Md5Final(&ctx, digest);
    *hex = DigestHex(digest);
    return true;
}

bool FileMD5Hex(const std::wstring& path, std::string* hex) {
    FILE* f = platform::OpenFile(path, "rb");
    if (!f) return false;
    bool ok = StreamMD5Hex(f, hex);
    std::fclose(f);
    return ok;
}
