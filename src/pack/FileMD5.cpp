#include "pack/FileMD5.h"

#include <cstdio>
#include <new>

#include "pack/Md5.h"
#include "platform/File.h"

namespace {
constexpr size_t kReadSize = 1024;
// The stream's own buffer: larger than the 1024-byte reads so that a big
// file costs few system calls.
constexpr size_t kStreamBuffer = 64 * 1024;

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
}  // namespace

std::unique_ptr<char[]> GetFileMD5(const char* ansiPath, bool asHex) {
    if (!ansiPath) return nullptr;
    Md5Context ctx;
    Md5Init(&ctx);
    unsigned char block[kReadSize] = {};

    std::unique_ptr<FILE, FileCloser> file(platform::OpenFileAnsi(ansiPath, "rb"));
    if (!file) return nullptr;
    std::setvbuf(file.get(), nullptr, _IOFBF, kStreamBuffer);
    for (;;) {
        size_t got = std::fread(block, 1, kReadSize, file.get());
        if (got == 0) break;  // end of file, or a read error: the digest covers what came
        Md5Update(&ctx, block, got);
    }
    uint8_t digest[16];
    Md5Final(&ctx, digest);
    file.reset();

    std::unique_ptr<char[]> out(new (std::nothrow) char[asHex ? 33 : 17]);
    if (!out) return nullptr;
    if (asHex) {
        static const char kDigits[] = "0123456789abcdef";
        for (int i = 0; i < 16; ++i) {
            out[2 * i] = kDigits[digest[i] >> 4];
            out[2 * i + 1] = kDigits[digest[i] & 15];
        }
        out[32] = '\0';
    } else {
        for (int i = 0; i < 16; ++i) out[i] = static_cast<char>(digest[i]);
        out[16] = '\0';
    }
    return out;
}
