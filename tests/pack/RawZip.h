#pragma once
// Zip archives written field by field, for the shapes a zip writer never
// makes: headers that disagree, shared data, wrong counts, odd methods.
#include <cstdint>
#include <string>
#include <vector>

// A data descriptor behind the entry's data: with or without its signature,
// sizes in 32 or 64 bits.
enum class Descriptor { None, Signed, Unsigned, Signed64, Unsigned64 };

struct RawEntry {
    std::string name;
    std::string payload;       // the bytes stored after the local header
    std::string localName;     // empty: the same as `name`
    uint16_t method = 0;       // 0 stored, 8 deflate
    uint16_t flags = 0;
    uint32_t crc = 0;
    uint64_t size = 0;         // declared uncompressed size
    uint16_t madeBy = 20;      // host in the high byte (3: Unix)
    uint32_t external = 0;
    int sharesLocalOf = -1;    // index of an earlier entry whose local header this record points at
    uint64_t offsetOverride = 0;  // when non-zero, the local header offset the record states
    // Which local sizes are all ones (1 uncompressed, 2 compressed); a Zip64
    // extra field holds those, in the format's order, or both when `zip64Full`.
    uint8_t zip64Local = 0;
    bool zip64Full = false;
    Descriptor descriptor = Descriptor::None;  // flag bit 3, local CRC and sizes zero
    std::string localExtra, centralExtra;  // extra fields as stored (after any Zip64 field)
    uint16_t centralFlagsFlip = 0;         // flag bits the central record has other than the local header
};

RawEntry StoredEntry(const std::string& name, const std::string& data);
RawEntry DeflatedEntry(const std::string& name, const std::string& data);

// Little-endian fields appended to `s`, as zip headers store them.
void Put16(std::string& s, uint32_t v);
void Put32(std::string& s, uint32_t v);
void Put64(std::string& s, uint64_t v);

// Raw deflate of `data`.
std::string DeflateRaw(const std::string& data);
uint32_t Crc32(const std::string& data);

// Zip64 end records before the plain one, whose fields are then all ones
// (as streaming writers leave them), the true values, or those of another
// directory (its offset one further).
enum class Zip64End { None, PlainAllOnes, PlainAgrees, PlainElsewhere };

struct RawZipEnd {
    int countDelta = 0;        // added to the true count in the end record
    bool countAllOnes = false; // 0xFFFF entries, as in a Zip64 archive, but without its records
    std::string comment;       // the archive comment behind the end record
    Zip64End zip64 = Zip64End::None;
};

std::string BuildRawZip(const std::vector<RawEntry>& entries, const RawZipEnd& end = {});

// `zip` with `entries` (stored as RawEntry says, no sharing) placed right
// before its central directory: their local headers and data, then their
// central records, ahead of the directory's own records. Every other byte
// is kept; the end records (and the Zip64 locator) are shifted by what was
// inserted, except fields that are all ones. An archive without an end
// record, or whose directory offset lies past it, comes back unchanged.
std::string InsertBeforeCentralDirectory(const std::string& zip, const std::vector<RawEntry>& entries);
