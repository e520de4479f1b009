#pragma once
// A fresh folder under the system's temporary folder (TMPDIR, or %TEMP% on
// Windows), removed with everything in it when the object goes.
#include <string>

class ScratchFolder {
public:
    ScratchFolder() = default;
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool Create();
    const std::wstring& Path() const { return m_path; }

private:
    std::wstring m_path;
};
