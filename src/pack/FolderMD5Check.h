#pragma once
// Judges an extracted pack against its manifest "FolderMD5.ini": damaged
// when any file is unlisted, has another MD5, or the counts differ. The
// manifest is created when absent; the measured values are merged into it
// and saved when the object goes. A manifest larger than 16 MiB, or a file
// that cannot be measured, is damage.
#include <cstdint>
#include <string>

#include "pack/ExtractedDigests.h"
#include "pack/IniText.h"
#include "pack/MD5IniFile.h"

class CFolderMD5Check {
public:
    static constexpr uint64_t kMaxManifestBytes = 16ull * 1024 * 1024;

    // `folder`: absolute path of the extracted pack, no trailing backslash.
    // `written`: the digests the extraction into `folder` took as it wrote
    // (kept by pointer; it must outlive the check). Files the walk finds
    // under those keys are not read again; all others are.
    explicit CFolderMD5Check(const std::wstring& folder, const ExtractedDigests* written = nullptr);
    ~CFolderMD5Check();
    CFolderMD5Check(const CFolderMD5Check&) = delete;
    CFolderMD5Check& operator=(const CFolderMD5Check&) = delete;

    // The first call does the work; later calls return the cached answer.
    bool IsDamaged();

    const IniEntries& MeasuredEntries() const { return m_measuredEntries; }

private:
    void LoadManifest();
    void HashFolder();
    void StoreMeasuredValues();

    std::wstring m_folder;
    std::wstring m_manifestPath;
    const ExtractedDigests* m_written;
    IniEntries m_manifestEntries;
    IniEntries m_measuredEntries;
    bool m_done = false;
    bool m_damaged = false;
    bool m_oversized = false;
    CMD5IniFile m_manifest;
};
