#include "pack/MD5IniFile.h"

#include <cstdio>
#include <memory>

#include "platform/File.h"
#include "platform/FileCloser.h"

namespace {

using platform::FilePtr;

// The file's length is taken as a 32-bit count.
constexpr long kMaxIniBytes = 0x7FFFFFFF;

bool ReadWhole(FILE* f, std::string* bytes) {
    if (std::fseek(f, 0, SEEK_END) != 0) return false;
    long length = std::ftell(f);
    if (length < 0 || length > kMaxIniBytes || std::fseek(f, 0, SEEK_SET) != 0) return false;
    try {
        bytes->assign(static_cast<size_t>(length), '\0');
    } catch (const std::bad_alloc&) {
        return false;
    }
    size_t got = length ? std::fread(bytes->data(), 1, bytes->size(), f) : 0;
    bytes->resize(got);
    return true;
}

}  // namespace

bool CMD5IniFile::LoadIniFile(const std::wstring& path, bool createIfMissing) {
    std::wstring text;
    bool result = false;
    FilePtr file(platform::OpenFile(path, "rb"));
    if (file) {
        std::string bytes;
        if (!ReadWhole(file.get(), &bytes)) return false;
        file.reset();
        text = DecodeIniBytes(bytes);
        result = true;
    } else if (createIfMissing) {
        FilePtr created(platform::OpenFile(path, "wb"));
        result = created != nullptr;
    } else {
        return false;
    }

    std::vector<IniSection> parsed = ParseIniText(text);
    std::lock_guard<std::mutex> hold(m_lock);
    m_filePath = result ? path : std::wstring();
    m_sections = std::move(parsed);
    IndexSections();
    return result;
}

bool CMD5IniFile::Save(const std::wstring& path) {
    std::lock_guard<std::mutex> hold(m_lock);
    const std::wstring& target = path.empty() ? m_filePath : path;
    if (target.empty()) return false;
    // The whole file is built first, so a failure can only come from the
    // file system, and it is reported: a short write or a failed close (full
    // disk) gives false.
    const std::string bytes = EncodeIniSections(m_sections);
    FILE* f = platform::OpenFile(target, "wb");
    if (!f) return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    bool closed = std::fclose(f) == 0;
    return written && closed;
}

void CMD5IniFile::IndexSections() {
    m_firstSection.clear();
    for (size_t i = 0; i < m_sections.size(); ++i) m_firstSection.emplace(m_sections[i].name, i);
}

IniSection* CMD5IniFile::FindSection(const std::wstring& name) {
    auto it = m_firstSection.find(name);
    return it == m_firstSection.end() ? nullptr : &m_sections[it->second];
}

bool CMD5IniFile::GetSection(const std::wstring& sectionName, IniEntries& entries) {
    std::lock_guard<std::mutex> hold(m_lock);
    const IniSection* s = FindSection(sectionName);
    if (!s) return false;
    for (const auto& entry : s->entries) entries.insert(entry);
    return true;
}

bool CMD5IniFile::SetValue(const std::wstring& sectionName, const std::wstring& key, const std::wstring& value) {
    std::lock_guard<std::mutex> hold(m_lock);
    if (IniSection* s = FindSection(sectionName))
        s->entries[key] = value;
    else {
        m_firstSection.emplace(sectionName, m_sections.size());
        m_sections.push_back(IniSection{sectionName, IniEntries{{key, value}}});
    }
    return true;
}

std::vector<IniSection> CMD5IniFile::Sections() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_sections;
}

std::wstring CMD5IniFile::FilePath() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_filePath;
}
