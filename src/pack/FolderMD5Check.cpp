#include "pack/FolderMD5Check.h"

#include "pack/FolderHash.h"
#include "platform/File.h"

namespace {
const wchar_t kMd5Section[] = L"MD5";
}

CFolderMD5Check::CFolderMD5Check(const std::wstring& folder, const ExtractedDigests* written)
    : m_folder(folder), m_manifestPath(folder + L"\\" + kManifestFileName), m_written(written) {
    // A manifest beyond any real pack's size is damage; it is not read, so
    // a crafted one costs neither time nor memory.
    uint64_t size = 0;
    m_oversized = platform::FileSize(m_manifestPath, &size) && size > kMaxManifestBytes;
    if (!m_oversized) m_manifest.LoadIniFile(m_manifestPath, true);
}

CFolderMD5Check::~CFolderMD5Check() { StoreMeasuredValues(); }

bool CFolderMD5Check::IsDamaged() {
    if (m_done) return m_damaged;
    m_done = true;
    m_damaged = true;
    if (m_oversized) return m_damaged;
    m_damaged = false;
    if (m_manifestEntries.empty()) LoadManifest();
    if (m_measuredEntries.empty()) HashFolder();
    for (const auto& [key, value] : m_measuredEntries) {
        auto listed = m_manifestEntries.find(key);
        // A file that could not be measured matches nothing, not even an empty value.
        if (value.empty() || listed == m_manifestEntries.end() || listed->second != value) m_damaged = true;
    }
    if (m_measuredEntries.size() != m_manifestEntries.size()) m_damaged = true;
    return m_damaged;
}

void CFolderMD5Check::LoadManifest() {
    m_manifest.LoadIniFile(m_manifestPath, false);
    m_manifestEntries.clear();
    m_manifest.GetSection(kMd5Section, m_manifestEntries);
}

void CFolderMD5Check::HashFolder() {
    m_measuredEntries = HashFolderFiles(m_folder, m_manifestPath, m_written);
    StoreMeasuredValues();
}

void CFolderMD5Check::StoreMeasuredValues() {
    if (m_oversized) return;  // leave the crafted file as it came
    for (const auto& [key, value] : m_measuredEntries) m_manifest.SetValue(kMd5Section, key, value);
    m_manifest.Save(m_manifestPath);
}
