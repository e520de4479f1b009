#include "support/PeFile.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

struct Section {
    uint32_t virtualAddress, virtualSize, rawPointer, rawSize;
};

uint16_t U16(const std::vector<unsigned char>& b, size_t at) {
    return at + 2 <= b.size() ? static_cast<uint16_t>(b[at] | (b[at + 1] << 8)) : 0;
}
uint32_t U32(const std::vector<unsigned char>& b, size_t at) {
    return at + 4 <= b.size() ? static_cast<uint32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
                                                       (static_cast<uint32_t>(b[at + 3]) << 24))
                              : 0;
}

size_t ToOffset(const std::vector<Section>& sections, uint32_t rva) {
    for (const Section& s : sections) {
        uint32_t size = s.virtualSize ? s.virtualSize : s.rawSize;
        if (rva >= s.virtualAddress && rva < s.virtualAddress + size) return rva - s.virtualAddress + s.rawPointer;
    }
    return static_cast<size_t>(-1);
}

std::string CString(const std::vector<unsigned char>& b, size_t at) {
    std::string s;
    while (at < b.size() && b[at]) s.push_back(static_cast<char>(b[at++]));
    return s;
}

}  // namespace

bool ReadPeTables(const std::string& path, PeTables* tables, std::string* error) {
    std::ifstream in(HostPathToLocal(path), std::ios::binary);
    if (!in) {
        *error = "cannot open " + path;
        return false;
    }
    std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() < 0x40 || b[0] != 'M' || b[1] != 'Z') {
        *error = path + ": no MZ header";
        return false;
    }
    size_t pe = U32(b, 0x3C);
    if (U32(b, pe) != 0x00004550) {
        *error = path + ": no PE signature";
        return false;
    }
    size_t coff = pe + 4;
    uint16_t sectionCount = U16(b, coff + 2);
    uint16_t optionalSize = U16(b, coff + 16);
    size_t opt = coff + 20;
    if (U16(b, opt) != 0x20B) {
        *error = path + ": not a PE32+ image";
        return false;
    }
    size_t dirs = opt + 112;
    uint32_t exportRva = U32(b, dirs), importRva = U32(b, dirs + 8);
    std::vector<Section> sections;
    size_t sec = opt + optionalSize;
    for (uint16_t i = 0; i < sectionCount; ++i, sec += 40)
        sections.push_back({U32(b, sec + 12), U32(b, sec + 8), U32(b, sec + 20), U32(b, sec + 16)});

    if (importRva) {
        for (size_t d = ToOffset(sections, importRva); d + 20 <= b.size(); d += 20) {
            uint32_t nameRva = U32(b, d + 12);
            if (!nameRva) break;
            tables->importedDlls.push_back(CString(b, ToOffset(sections, nameRva)));
        }
    }
    if (exportRva) {
        size_t e = ToOffset(sections, exportRva);
        uint32_t count = U32(b, e + 24);
        size_t names = ToOffset(sections, U32(b, e + 32));
        for (uint32_t i = 0; i < count && names != static_cast<size_t>(-1); ++i)
            tables->exportedNames.push_back(CString(b, ToOffset(sections, U32(b, names + 4 * i))));
    }
    return true;
}

std::string HostPathToLocal(const std::string& path) {
#ifdef _WIN32
    if (!path.empty() && path[0] == '/') {
        std::string p = "Z:" + path;
        for (char& c : p)
            if (c == '/') c = '\\';
        return p;
    }
#endif
    return path;
}
