#include "support/TempFolder.h"

#include <atomic>
#include <chrono>
#include <cstdio>

#include "platform/File.h"

TempFolder::TempFolder() {
    static std::atomic<unsigned> counter{0};
    auto stamp = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring candidate = platform::TempDirectory() + L"\\quillon-test-" + std::to_wstring(stamp % 1000000007) +
                                 L"-" + std::to_wstring(counter++);
        if (platform::MakeDirectory(candidate)) {
            m_path = candidate;
            return;
        }
    }
}

TempFolder::~TempFolder() {
    if (m_path.empty()) return;
    // Leave the folder first if a walk made it the current directory.
    std::wstring cwd = platform::CurrentDirectory();
    if (cwd.compare(0, m_path.size(), m_path) == 0) platform::SetCurrentDirectory(platform::TempDirectory());
    platform::RemoveTree(m_path);
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    FILE* f = platform::OpenFile(path, "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool ReadBytes(const std::wstring& path, std::string* bytes) {
    FILE* f = platform::OpenFile(path, "rb");
    if (!f) return false;
    bytes->clear();
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes->append(buf, n);
    std::fclose(f);
    return true;
}
