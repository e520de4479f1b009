#include "pack/FileMD5.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "pack/FileDigest.h"
#include "platform/File.h"
#include "platform/FileCloser.h"

std::unique_ptr<char[]> GetFileMD5(const char* ansiPath, bool asHex) {
    if (!ansiPath) return nullptr;
    platform::FilePtr file(platform::OpenFileAnsi(ansiPath, "rb"));
    if (!file) return nullptr;
    unsigned char digest[16];
    // A read error ends the digest like the end of the file; a failure with
    // no read error (no buffer to read into) leaves no digest at all.
    if (!StreamMD5(file.get(), digest) && !std::ferror(file.get())) return nullptr;
    file.reset();

    std::unique_ptr<char[]> out(new (std::nothrow) char[asHex ? 33 : 17]);
    if (!out) return nullptr;
    if (asHex) {
        std::memcpy(out.get(), DigestHex(digest).c_str(), 33);
    } else {
        for (int i = 0; i < 16; ++i) out[i] = static_cast<char>(digest[i]);
        out[16] = '\0';
    }
    return out;
}
