#include "pack/FolderMD5Check.h"

#include "pack/FolderHash.h"

namespace {
const wchar_t kMd5Section[] = L"MD5";
}

CFolderMD5Check::CFolderMD5Check(const std::wstring& folder)
    : m_folder(folder), m_manifestPath(folder + L"\\" + kManifestFileName) {
    m_manifest.LoadIniFile(m_manifestPath, true);
}

CFolderMD5Check::~CFolderMD5Check() { StoreMeasuredValues(); }

bool CFolderMD5Check::IsDamaged() {
    if (m_done) return m_damaged;
    m_damaged = false;
    if (m_manifestEntries.empty()) LoadManifest();
    if (m_measuredEntries.empty()) HashFolder();
    for (const auto& [key, value] : m_measuredEntries) {
        auto listed = m_manifestEntries.find(key);
        if (listed == m_manifestEntries.end() || listed->second != value) m_damaged = true;
    }
    if (m_measuredEntries.size() != m_manifestEntries.size()) m_damaged = true;
    m_done = true;
    return m_damaged;
}

void CFolderMD5Check::LoadManifest() {
    m_manifest.LoadIniFile(m_manifestPath, false);
    m_manifestEntries.clear();
    m_manifest.GetSection(kMd5Section, m_manifestEntries);
}

void CFolderMD5Check::HashFolder() {
    m_measuredEntries = HashFolderFiles(m_folder, m_manifestPath);
    StoreMeasuredValues();
}

void CFolderMD5Check::StoreMeasuredValues() {
    for (const auto& [key, value] : m_measuredEntries) m_manifest.SetValue(kMd5Section, key, value);
    m_manifest.Save(m_manifestPath);
}
