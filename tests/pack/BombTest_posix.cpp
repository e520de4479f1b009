// Zip bombs against a small scratch disk (a tmpfs this test mounts and
// removes): whatever a pack declares or holds, the working disk keeps its
// reserve free.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>

#include "PackTestSupport.h"
#include "RawZip.h"
#include "pack/Unzip.h"
#include "pack/ZipExtraction.h"
#include "platform/Text.h"

namespace {

constexpr uint64_t kMiB = 1024 * 1024;

std::string Native(const std::wstring& path) {
    std::string s = platform::WideToUtf8(path);
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}

class ScratchDisk {
public:
    explicit ScratchDisk(const std::wstring& mountPoint) : m_path(mountPoint) {
        platform::MakeDirectory(m_path);
        if (mount("tmpfs", Native(m_path).c_str(), "tmpfs", 0, "size=96m") == 0)
            m_mounted = true;
        else
            m_error = errno;
    }
    ~ScratchDisk() {
        if (m_mounted) umount2(Native(m_path).c_str(), MNT_DETACH);
    }
    bool Mounted() const { return m_mounted; }
    int Error() const { return m_error; }
    uint64_t FreeBytes() const {
        uint64_t bytes = 0;
        platform::FreeBytes(m_path, &bytes);
        return bytes;
    }

private:
    std::wstring m_path;
    bool m_mounted = false;
    int m_error = 0;
};

RawEntry Zeros(const std::string& name, uint64_t realSize, uint64_t declaredSize) {
    RawEntry e = DeflatedEntry(name, std::string(realSize, '\0'));
    e.size = declaredSize;
    e.crc = Crc32(std::string(declaredSize, '\0'));
    return e;
}

TEST(UnzipBomb, TheWorkingDiskNeverFills) {
    TestFolder dir;
    ScratchDisk disk(dir / L"disk");
    if (!disk.Mounted()) {
        if (disk.Error() == EPERM)
            GTEST_SKIP() << "SKIPPED: mounting a tmpfs is not permitted here (needs root): " << std::strerror(EPERM);
        FAIL() << "cannot mount a tmpfs for the scratch disk: " << std::strerror(disk.Error());
    }
    ASSERT_GE(disk.FreeBytes(), 90 * kMiB);
    const std::wstring out = dir / L"disk\\out";

    std::vector<RawEntry> shared = {Zeros("zeros.bin", kMiB, kMiB)};
    for (int i = 0; i < 300; ++i) {
        shared.push_back(shared[0]);
        shared.back().sharesLocalOf = 0;
    }
    std::vector<RawEntry> tooLarge, fits, capped;
    for (int i = 0; i < 3; ++i) tooLarge.push_back(Zeros("big" + std::to_string(i), 12 * kMiB, 12 * kMiB));
    for (int i = 0; i < 2; ++i) fits.push_back(Zeros("fit" + std::to_string(i), 12 * kMiB, 12 * kMiB));
    // Entries whose data inflates far past what they declare: stopped there.
    for (int i = 0; i < 20; ++i) capped.push_back(Zeros("cap" + std::to_string(i), 32 * kMiB, kMiB));
    RawZipEnd unreadable;
    unreadable.countAllOnes = true;

    struct Case {
        const char* what;
        std::string zip;
        int32_t status;
    };
    const std::vector<Case> cases = {
        {"one entry, 32 MiB of data declared as 1000 bytes", BuildRawZip({Zeros("b", 32 * kMiB, 1000)}), kUnzipDamaged},
        {"300 records sharing one entry's data", BuildRawZip(shared), kUnzipDamaged},
        {"a count of 0xFFFF that is not the directory's", BuildRawZip(tooLarge, unreadable), kUnzipDamaged},
        {"36 MiB declared, beyond the reserve", BuildRawZip(tooLarge), kUnzipCannotOpenOrNoSpace},
        {"24 MiB declared", BuildRawZip(fits), kUnzipDone},
        {"20 entries declaring 1 MiB, holding 32 MiB each", BuildRawZip(capped), kUnzipDamaged},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteBytes(dir / L"bomb.zip", c.zip));
        platform::RemoveTree(out);
        EXPECT_EQ(unzip(out.c_str(), (dir / L"bomb.zip").c_str()), c.status) << c.what;
        EXPECT_GE(disk.FreeBytes(), kWorkingDiskReserve) << c.what;
        uint64_t written = 0;
        for (const auto& [name, bytes] : Snapshot(out)) written += bytes.size();
        EXPECT_LE(written, 24 * kMiB) << c.what;
    }
    platform::RemoveTree(out);
}

}  // namespace
