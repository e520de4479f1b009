#include "app/PackSnapshot.h"

#include <cstdio>
#include <memory>

#include "pack/FileDigest.h"
#include "pack/Md5.h"
#include "platform/File.h"
#include "platform/FileCloser.h"
#include "signature/PackSignature.h"

std::shared_ptr<const PackSnapshot> PackSnapshot::Take(const std::wstring& packPath, const std::wstring& copyPath,
                                                       std::string* problem) {
    platform::RemoveFile(copyPath);
    std::unique_ptr<FILE, platform::FileCloser> in(platform::OpenFile(packPath, "rb"));
    if (!in) return *problem = "the pack cannot be opened", nullptr;
    std::unique_ptr<FILE, platform::FileCloser> out(platform::CreateOwnerOnlyFile(copyPath));
    if (!out) return *problem = "the private copy of the pack cannot be made", nullptr;

    std::shared_ptr<PackSnapshot> snapshot(new PackSnapshot());
    snapshot->m_packPath = packPath;
    snapshot->m_copyPath = copyPath;
    Md5Context md5;
    Md5Init(&md5);
    ContentHash blake2b;
    constexpr size_t kBlock = 1u << 20;
    std::unique_ptr<char[]> block(new char[kBlock]);
    bool writeFailed = false;
    for (size_t got; (got = std::fread(block.get(), 1, kBlock, in.get())) > 0;) {
        Md5Update(&md5, block.get(), got);
        blake2b.Update(block.get(), got);
        snapshot->m_size += got;
        if (std::fwrite(block.get(), 1, got, out.get()) != got) {
            writeFailed = true;
            break;
        }
    }
    const bool readWhole = !std::ferror(in.get());
    const bool written = std::fclose(out.release()) == 0 && !writeFailed;
    unsigned char digest[16];
    Md5Final(&md5, digest);
    snapshot->m_md5 = DigestHex(digest);
    snapshot->m_blake2b = blake2b.Final();
    if (!readWhole || !written || !snapshot->m_hold.Hold(copyPath)) {
        *problem = !readWhole ? "the pack cannot be read to its end" : "the private copy of the pack cannot be written";
        return nullptr;  // the destructor removes the copy
    }
    return snapshot;
}

PackSnapshot::~PackSnapshot() {
    m_hold.Release();
    if (!m_copyPath.empty()) platform::RemoveFile(m_copyPath);
}
