#pragma once
// A private folder under the system's temporary folder (TMPDIR, or %TEMP%
// on Windows): a fresh name (a prefix and a random number), made
// atomically so two processes never share one, and removed with
// everything in it when the object goes.
#include <string>

namespace platform {

class ScratchFolder {
public:
    ScratchFolder() = default;
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // `prefix` starts the folder's name ("quillon-", "packtool-").
    bool Create(const std::wstring& prefix);
    const std::wstring& Path() const { return m_path; }

private:
    std::wstring m_path;
};

}  // namespace platform
