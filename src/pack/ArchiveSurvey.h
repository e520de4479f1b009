#pragma once
// A reading of a zip archive's structure made before anything is extracted:
// the end records, every central directory record and the local header each
// one points at. Extraction goes through minizip; this reading decides
// whether the archive is one that minizip, and every other extractor, reads
// the same way.
#include <cstdint>
#include <string>
#include <vector>

struct SurveyEntry {
    std::string name;  // bytes as stored
    uint16_t madeBy = 0;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t crc = 0;
    uint64_t compressedSize = 0;
    uint64_t size = 0;  // declared uncompressed size
    uint64_t localOffset = 0;
    uint32_t externalAttributes = 0;
    uint64_t dataOffset = 0;  // where the entry's data starts, behind its local header
    // The names of the entry's Info-ZIP Unicode path fields (0x7075), UTF-8
    // as stored, from the central record and the local header.
    std::vector<std::string> unicodeNames;
};

struct ArchiveSurvey {
    std::vector<SurveyEntry> entries;  // in central directory order
    uint64_t declaredTotal = 0;        // sum of the declared sizes (saturating)
};

// False with an English reason when the archive is not one well-formed,
// single-disk zip whose end record counts exactly the central records
// there are, whose sizes are all readable, and whose entries each have a
// local header that agrees with its central record (name, method, sizes)
// and occupy disjoint ranges of the file before the central directory.
// Also false where other readers would find other entries: a Zip64 end
// record and a plain one that name different directories, an end record
// whose comment runs past the end of the file, or a local header whose
// encryption flags differ from its record's.
// `ansiPath` is in the ANSI code page.
bool SurveyArchive(const std::string& ansiPath, ArchiveSurvey* survey, std::string* reason);
