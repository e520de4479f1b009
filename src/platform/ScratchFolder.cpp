#include "platform/ScratchFolder.h"

#include <chrono>
#include <random>

#include "platform/File.h"

namespace platform {

ScratchFolder::~ScratchFolder() {
    if (!m_path.empty()) RemoveTree(m_path);
}

bool ScratchFolder::Create(const std::wstring& prefix) {
    std::mt19937_64 random(static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                           std::random_device{}());
    const std::wstring base = TempDirectory() + L"\\" + prefix;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring candidate = base + std::to_wstring(random() % 1000000000000ull);
        if (MakeDirectory(candidate)) {  // fails when the name is taken: no two users share one
            m_path = candidate;
            return true;
        }
    }
    return false;
}

}  // namespace platform
