#include "pack/ZipFileFunctions.h"

#include <cstdio>
#include <string>

#include "platform/File.h"
#include "platform/FileExtra.h"

namespace {

const char* ModeOf(int mode) {
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) == ZLIB_FILEFUNC_MODE_READ) return "rb";
    if (mode & ZLIB_FILEFUNC_MODE_EXISTING) return "r+b";
    if (mode & ZLIB_FILEFUNC_MODE_CREATE) return "wb";
    return nullptr;
}

voidpf ZCALLBACK OpenAnsi(voidpf, const void* filename, int mode) {
    const char* m = ModeOf(mode);
    if (!filename || !m) return nullptr;
    return platform::OpenFileAnsi(static_cast<const char*>(filename), m);
}

voidpf ZCALLBACK OpenWide(voidpf, const void* filename, int mode) {
    const char* m = ModeOf(mode);
    if (!filename || !m) return nullptr;
    return platform::OpenFile(static_cast<const wchar_t*>(filename), m);
}

uLong ZCALLBACK Read(voidpf, voidpf stream, void* buf, uLong size) {
    return static_cast<uLong>(std::fread(buf, 1, size, static_cast<FILE*>(stream)));
}

uLong ZCALLBACK Write(voidpf, voidpf stream, const void* buf, uLong size) {
    return static_cast<uLong>(std::fwrite(buf, 1, size, static_cast<FILE*>(stream)));
}

ZPOS64_T ZCALLBACK Tell(voidpf, voidpf stream) {
    int64_t pos = platform::TellFile64(static_cast<FILE*>(stream));
    return pos < 0 ? static_cast<ZPOS64_T>(-1) : static_cast<ZPOS64_T>(pos);
}

long ZCALLBACK Seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    int whence;
    switch (origin) {
        case ZLIB_FILEFUNC_SEEK_CUR: whence = SEEK_CUR; break;
        case ZLIB_FILEFUNC_SEEK_END: whence = SEEK_END; break;
        case ZLIB_FILEFUNC_SEEK_SET: whence = SEEK_SET; break;
        default: return -1;
    }
    return platform::SeekFile64(static_cast<FILE*>(stream), static_cast<int64_t>(offset), whence) == 0 ? 0 : -1;
}

int ZCALLBACK Close(voidpf, voidpf stream) { return std::fclose(static_cast<FILE*>(stream)); }

int ZCALLBACK Error(voidpf, voidpf stream) { return std::ferror(static_cast<FILE*>(stream)); }

zlib_filefunc64_def Functions(open64_file_func open) {
    zlib_filefunc64_def def;
    def.zopen64_file = open;
    def.zread_file = Read;
    def.zwrite_file = Write;
    def.ztell64_file = Tell;
    def.zseek64_file = Seek;
    def.zclose_file = Close;
    def.zerror_file = Error;
    def.opaque = nullptr;
    return def;
}

}  // namespace

zlib_filefunc64_def AnsiPathFileFunctions() { return Functions(OpenAnsi); }
zlib_filefunc64_def WidePathFileFunctions() { return Functions(OpenWide); }
