#include "cli/ChunkedCopyFileSystem.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "platform/File.h"
#include "platform/FileCloser.h"

namespace {
using FileHandle = platform::FilePtr;
constexpr size_t kChunkBytes = 64 * 1024;
}  // namespace

bool ChunkedCopyFileSystem::CopyFileTo(const std::wstring& file, const std::wstring& target) {
    uint64_t total = 0;
    if (!platform::FileSize(file, &total)) return false;
    FileHandle in(platform::OpenFile(file, "rb"));
    if (!in) return false;
    FileHandle out(platform::OpenFile(target, "wb"));
    if (!out) return false;

    std::vector<char> buffer(kChunkBytes);
    uint64_t sent = 0;
    bool ok = true;
    if (m_bytes) m_bytes(0, total);
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0) {
        if (std::fwrite(buffer.data(), 1, n, out.get()) != n) {
            ok = false;
            break;
        }
        sent += n;
        if (m_bytes) m_bytes(sent, total);
    }
    ok = ok && !std::ferror(in.get());
    ok = std::fflush(out.get()) == 0 && ok;
    ok = std::fclose(out.release()) == 0 && ok;
    if (!ok) platform::RemoveFile(target);
    return ok;
}
