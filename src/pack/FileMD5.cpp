#include "pack/FileMD5.h"

#include <cstdio>
#include <new>

#include "pack/Md5.h"
#include "platform/File.h"
#include "platform/FileCloser.h"

namespace {
// Each call reads through a buffer of its own, so concurrent calls share
// nothing and memory stays this size whatever the file's.
constexpr size_t kReadSize = 64 * 1024;

}  // namespace

std::unique_ptr<char[]> GetFileMD5(const char* ansiPath, bool asHex) {
    if (!ansiPath) return nullptr;
    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[kReadSize]);
    if (!block) return nullptr;
    platform::FilePtr file(platform::OpenFileAnsi(ansiPath, "rb"));
    if (!file) return nullptr;
    // Requests as large as the block go straight from the file into it:
    // the stream's own buffer would only add a copy.
    std::setvbuf(file.get(), nullptr, _IONBF, 0);

    Md5Context ctx;
    Md5Init(&ctx);
    for (;;) {
        size_t got = std::fread(block.get(), 1, kReadSize, file.get());
        if (got == 0) break;  // end of file, or a read error: the digest covers what came
        Md5Update(&ctx, block.get(), got);
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
