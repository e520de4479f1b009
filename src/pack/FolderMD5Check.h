#pragma once
// Judges an extracted pack against its manifest "FolderMD5.ini": damaged
// when any file is unlisted, has another MD5, or the counts differ. The
// manifest is created when absent; the measured values are merged into it
// and saved when the object goes.
#include <string>

#include "pack/IniText.h"
#include "pack/MD5IniFile.h"

class CFolderMD5Check {
public:
    // `folder`: absolute path of the extracted pack, no trailing backslash.
    explicit CFolderMD5Check(const std::wstring& folder);
    ~CFolderMD5Check();
    CFolderMD5Check(const CFolderMD5Check&) = delete;
    CFolderMD5Check& operator=(const CFolderMD5Check&) = delete;

    // The first call does the work; later calls return the cached answer.
    bool IsDamaged();

    const IniEntries& ManifestEntries() const { return m_manifestEntries; }
    const IniEntries& MeasuredEntries() const { return m_measuredEntries; }

private:
    void LoadManifest();
    void HashFolder();
    void StoreMeasuredValues();

    std::wstring m_folder;
    std::wstring m_manifestPath;
    IniEntries m_manifestEntries;
    IniEntries m_measuredEntries;
    bool m_done = false;
    bool m_damaged = false;
    CMD5IniFile m_manifest;
};
