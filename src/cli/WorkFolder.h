#pragma once
// The batch's private folder under the system's temporary folder: a fresh
// name ("quillon-" and a random number), made atomically so two processes
// never share one, and removed with everything in it when the object goes.
#include <string>

class WorkFolder {
public:
    WorkFolder() = default;
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    bool Create();
    const std::wstring& Path() const { return m_path; }

private:
    std::wstring m_path;
};
