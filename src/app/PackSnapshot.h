#pragma once
// The pack as it was checked. It is read once, into a private copy that
// nobody else may change, and every digest a run needs (MD5, size, the
// hash a signature signs) is taken in that same read. The signature check,
// the extraction, the copy or upload and the record then all work from
// the copy and its digests: a pack replaced on the PC after it was read
// (another program, a synced folder, a share that serves other bytes on a
// second read) never reaches a terminal under the first one's check.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/DeviceFile.h"

class PackSnapshot {
public:
    // Reads `packPath` into the new file `copyPath` (any file there is
    // replaced). Null when the pack cannot be read whole or the copy cannot
    // be written (`problem` says which).
    static std::shared_ptr<const PackSnapshot> Take(const std::wstring& packPath, const std::wstring& copyPath,
                                                    std::string* problem);
    ~PackSnapshot();
    PackSnapshot(const PackSnapshot&) = delete;
    PackSnapshot& operator=(const PackSnapshot&) = delete;

    // The pack as the PC names it: its file name, and its signature beside it.
    const std::wstring& PackPath() const { return m_packPath; }
    // The private copy: what is extracted, copied and uploaded.
    const std::wstring& CopyPath() const { return m_copyPath; }
    uint64_t Size() const { return m_size; }
    const std::string& Md5() const { return m_md5; }  // hex
    const std::array<unsigned char, 64>& Blake2b() const { return m_blake2b; }

private:
    PackSnapshot() = default;

    std::wstring m_packPath, m_copyPath;
    uint64_t m_size = 0;
    std::string m_md5;
    std::array<unsigned char, 64> m_blake2b{};
    platform::FileHold m_hold;
};
