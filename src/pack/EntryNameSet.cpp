#include "pack/EntryName.h"

#include "pack/FolderHash.h"
#include "pack/PackVerifyInfo.h"

wchar_t FoldCase(wchar_t c) {
    auto in = [c](unsigned lo, unsigned hi) { return static_cast<unsigned>(c) >= lo && static_cast<unsigned>(c) <= hi; };
    if (in(L'a', L'z')) return static_cast<wchar_t>(c - 0x20);
    if (in(0xFF41, 0xFF5A)) return static_cast<wchar_t>(c - 0x20);  // full-width a-z
    if (in(0x03B1, 0x03C9) && c != 0x03C2) return static_cast<wchar_t>(c - 0x20);  // Greek
    if (in(0x0430, 0x044F)) return static_cast<wchar_t>(c - 0x20);  // Cyrillic а-я
    if (in(0x0450, 0x045F)) return static_cast<wchar_t>(c - 0x50);  // Cyrillic ѐ-џ
    return c;
}

namespace {
std::wstring Folded(const std::wstring& path) {
    std::wstring f = path;
    for (wchar_t& c : f) c = FoldCase(c);
    return f;
}
}  // namespace

const char* EntryNameSet::Note(const std::wstring& path, bool folder, bool entry) {
    auto [it, added] = m_seen.emplace(Folded(path), Seen{path, folder, entry});
    if (added) return nullptr;
    Seen& seen = it->second;
    if (seen.spelling != path) return "two names differ only in letter case";
    if (seen.folder != folder) return "a file and a folder of the same name";
    if (entry && seen.entry) return "two entries of the same name";
    seen.entry = seen.entry || entry;
    return nullptr;
}

const char* EntryNameSet::Add(const std::wstring& name) {
    std::wstring path = name;
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    const bool folder = !path.empty() && path.back() == L'\\';
    if (folder) path.pop_back();
    for (size_t cut = path.find(L'\\'); cut != std::wstring::npos; cut = path.find(L'\\', cut + 1))
        if (const char* problem = Note(path.substr(0, cut), true, false)) return problem;
    if (path.find(L'\\') == std::wstring::npos) {
        for (const wchar_t* special : {kVerifyFileName, kManifestFileName})
            if (Folded(path) == Folded(special) && (path != special || folder))
                return "a verify record or manifest not spelled exactly";
    }
    return Note(path, folder, true);
}
