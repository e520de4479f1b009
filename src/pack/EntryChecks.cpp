#include "pack/ZipExtraction.h"
#include "platform/File.h"
#include "platform/Text.h"

namespace {

constexpr size_t kNameBuffer = 260;  // bytes, terminator included
constexpr uint16_t kFlagEncrypted = 0x1, kFlagStrongEncryption = 0x40;
constexpr uint16_t kStored = 0, kDeflated = 8;
// A link is an entry whose data is a link target: only the Unix file type
// in the high half of the attributes says so. Info-ZIP's unzip honours
// that type for FAT-host entries too, so it is read whatever the host;
// only plain files and folders are allowed (a link would extract
// elsewhere). The Windows reparse-point attribute (0x400) alone is not a
// link: the format holds no reparse data, writers store the content they
// read through the point (cloud placeholders, deduplicated or compressed
// files carry the bit), and an extractor cannot make a reparse point from
// an attribute.
bool IsLinkOrSpecial(const SurveyEntry& e) {
    const uint32_t type = (e.externalAttributes >> 16) & 0170000;
    return type != 0 && type != 0100000 && type != 0040000;
}

bool IsSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

// Readers that honour an Info-ZIP Unicode path field extract the entry
// under that name: it must be the name extracted here (either separator).
bool UnicodeNamesAgree(const SurveyEntry& e, const std::wstring& name) {
    for (const std::string& utf8 : e.unicodeNames) {
        const std::wstring other = platform::Utf8ToWide(utf8);
        if (other.size() != name.size()) return false;
        for (size_t i = 0; i < name.size(); ++i)
            if (other[i] != name[i] && !(IsSeparator(other[i]) && IsSeparator(name[i]))) return false;
    }
    return true;
}

const char* EntryProblem(const SurveyEntry& e, const std::wstring& destFolder, std::wstring* name) {
    if (e.name.size() >= kNameBuffer) return "a name longer than 259 bytes";
    if (e.name.find('\0') != std::string::npos) return "a control character in a name";
    *name = platform::AnsiToWide(e.name);
    bool lossless = true;
    if (platform::WideToAnsi(*name, &lossless) != e.name || !lossless) return "a name with no form in the ANSI code page";
    if (name->empty()) return "an empty name";
    if (!UnicodeNamesAgree(e, *name)) return "a Unicode path field names another file";
    // What remains without "." components is the name that is extracted;
    // nothing remaining names the destination folder itself ("./").
    *name = WithoutDotComponents(*name);
    const bool top = name->empty();
    if (!top)
        if (const char* problem = EntryNameProblem(*name)) return problem;
    if (platform::WideToUtf16(destFolder + L"\\" + *name).size() >= platform::kMaxPath)
        return "an output path of 260 units or more";
    if (e.flags & (kFlagEncrypted | kFlagStrongEncryption)) return "an encrypted entry";
    if (e.method != kStored && e.method != kDeflated) return "a compression method other than stored or deflate";
    if (e.method == kStored && e.compressedSize != e.size) return "a stored entry whose sizes differ";
    if (IsLinkOrSpecial(e)) return "a symbolic link or special file";
    const bool folder = top || name->back() == L'/' || name->back() == L'\\';
    if (folder && e.size != 0) return "a folder entry with data";
    return nullptr;
}

}  // namespace

const char* EntriesProblem(const ArchiveSurvey& survey, const std::wstring& destFolder) {
    EntryNameSet names;
    std::wstring name;
    for (const SurveyEntry& e : survey.entries) {
        if (const char* problem = EntryProblem(e, destFolder, &name)) return problem;
        if (!name.empty())
            if (const char* problem = names.Add(name)) return problem;
    }
    return nullptr;
}
