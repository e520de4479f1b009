#include <cstdio>

#include "app/RunServices.h"
#include "pack/FileDigest.h"
#include "pack/Md5.h"
#include "platform/DeviceFile.h"

bool RunFileSystem::PathExists(const std::wstring& path) { return platform::PathExists(path); }

bool RunFileSystem::DeletePath(const std::wstring& path) { return platform::RemoveTree(path); }

bool RunFileSystem::CopyFileTo(const std::wstring& file, const std::wstring& target) {
    FILE* in = platform::OpenFile(file, "rb");
    if (!in) return false;
    FILE* out = platform::OpenFile(target, "wb");
    if (!out) {
        std::fclose(in);
        return false;
    }
    bool ok = true;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
        if (std::fwrite(buffer, 1, n, out) != n) {
            ok = false;
            break;
        }
    }
    ok = ok && !std::ferror(in);
    std::fclose(in);
    ok = std::fclose(out) == 0 && ok;
    if (!ok) platform::RemoveFile(target);  // never leave half a pack on the terminal
    return ok;
}

bool RunFileSystem::GetAttributes(const std::wstring& path, uint32_t* attributes) {
    return platform::GetAttributes(path, attributes);
}

bool RunFileSystem::MakeDirectory(const std::wstring& path, platform::FsError* error) {
    return platform::MakeDirectory(path, error);
}

bool RunFileSystem::RemoveEmptyDirectory(const std::wstring& path) { return platform::RemoveEmptyDirectory(path); }

bool RunFileSystem::FreeBytes(const std::wstring& path, uint64_t* bytes) { return platform::FreeBytes(path, bytes); }

bool RunFileSystem::FileSize(const std::wstring& path, uint64_t* size) { return platform::FileSize(path, size); }

bool RunFileSystem::WriteFile(const std::wstring& path, const std::string& content) {
    FILE* f = platform::OpenFile(path, "wb");
    if (!f) return false;
    bool ok = std::fwrite(content.data(), 1, content.size(), f) == content.size();
    ok = std::fflush(f) == 0 && ok;
    return std::fclose(f) == 0 && ok;
}

bool RunFileSystem::FlushToDevice(const std::wstring& path) { return platform::FlushToDevice(path); }

bool RunFileSystem::ReadBackMD5(const std::wstring& path, std::string* hex) {
    Md5Context ctx;
    Md5Init(&ctx);
    if (!platform::ReadFromDevice(path, [&ctx](const void* data, size_t n) { Md5Update(&ctx, data, n); })) return false;
    unsigned char digest[16];
    Md5Final(&ctx, digest);
    *hex = DigestHex(digest);
    return true;
}

bool RunFileSystem::FileMD5(const std::wstring& path, std::string* hex) { return FileMD5Hex(path, hex); }
