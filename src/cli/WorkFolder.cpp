#include "cli/WorkFolder.h"

#include <chrono>
#include <random>

#include "platform/File.h"

WorkFolder::~WorkFolder() {
    if (!m_path.empty()) platform::RemoveTree(m_path);
}

bool WorkFolder::Create() {
    std::mt19937_64 random(static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                           std::random_device{}());
    const std::wstring base = platform::TempDirectory() + L"\\quillon-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring candidate = base + std::to_wstring(random() % 1000000000000ull);
        if (platform::MakeDirectory(candidate)) {
            m_path = candidate;
            return true;
        }
    }
    return false;
}
