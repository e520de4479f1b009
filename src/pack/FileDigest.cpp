#include "pack/FileDigest.h"

#include <memory>
#include <new>

#include "pack/Md5.h"
#include "platform/File.h"
#include "platform/FileCloser.h"

namespace {
constexpr size_t kReadSize = 64 * 1024;
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

bool StreamMD5(FILE* stream, unsigned char digest[16]) {
    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[kReadSize]);
    if (!stream || !block) return false;
    // Requests as large as the block go straight from the file into it:
    // the stream's own buffer would only add a copy.
    std::setvbuf(stream, nullptr, _IONBF, 0);
    Md5Context ctx;
    Md5Init(&ctx);
    size_t got;
    while ((got = std::fread(block.get(), 1, kReadSize, stream)) > 0) Md5Update(&ctx, block.get(), got);
    Md5Final(&ctx, digest);
    return !std::ferror(stream);
}

bool FileMD5Hex(const std::wstring& path, std::string* hex) {
    platform::FilePtr file(platform::OpenFile(path, "rb"));
    unsigned char digest[16];
    if (!file || !StreamMD5(file.get(), digest)) return false;
    *hex = DigestHex(digest);
    return true;
}
