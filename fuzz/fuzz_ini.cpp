// The INI dialect on arbitrary bytes: decoding and parsing never fail
// badly, and what the writer makes of the parsed sections parses back to
// the same sections.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "pack/IniText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    std::vector<IniSection> sections = ParseIniText(DecodeIniBytes(bytes));
    if (sections.empty()) return 0;

    // Round trip of what a save writes. Names and keys that hold line
    // breaks, brackets or '=' cannot come from a parse, so they do not occur.
    std::vector<IniSection> again = ParseIniText(DecodeIniBytes(EncodeIniSections(sections)));
    // A section with an empty name at the end is dropped by the parse.
    while (!sections.empty() && sections.back().name.empty()) sections.pop_back();
    while (!again.empty() && again.back().name.empty()) again.pop_back();
    if (again.size() != sections.size()) std::abort();
    for (size_t i = 0; i < sections.size(); ++i) {
        if (again[i].name != sections[i].name) std::abort();
        if (again[i].entries.size() != sections[i].entries.size()) std::abort();
    }
    return 0;
}
