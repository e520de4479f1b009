#include "pack/ArchiveSurvey.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "platform/File.h"
#include "platform/FileCloser.h"
#include "platform/FileExtra.h"

namespace {

constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kZip64EndSignature = 0x06064b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr size_t kEndSize = 22, kLocatorSize = 20, kZip64EndSize = 56;
constexpr size_t kCentralSize = 46, kLocalSize = 30;
// minizip looks for the end records this far back from the end of the file.
constexpr uint64_t kSearchBack = 0xFFFF;
constexpr uint16_t kFlagDataDescriptor = 0x8;
constexpr uint16_t kFlagsEncrypted = 0x1 | 0x40;  // encrypted, strong encryption

uint16_t U16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const unsigned char* p) { return U16(p) | (static_cast<uint32_t>(U16(p + 2)) << 16); }
uint64_t U64(const unsigned char* p) { return U32(p) | (static_cast<uint64_t>(U32(p + 4)) << 32); }

class Reader {
public:
    explicit Reader(FILE* f) : m_file(f) {
        if (platform::SeekFile64(f, 0, SEEK_END) == 0) m_size = platform::TellFile64(f);
    }
    int64_t Size() const { return m_size; }
    bool Read(uint64_t at, size_t n, std::string* out) {
        if (m_size < 0 || at > static_cast<uint64_t>(m_size) || n > static_cast<uint64_t>(m_size) - at) return false;
        try {
            out->resize(n);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return platform::SeekFile64(m_file, static_cast<int64_t>(at), SEEK_SET) == 0 &&
               std::fread(out->data(), 1, n, m_file) == n;
    }

private:
    FILE* m_file;
    int64_t m_size = -1;
};

const unsigned char* Bytes(const std::string& s, size_t at = 0) {
    return reinterpret_cast<const unsigned char*>(s.data()) + at;
}

// The last occurrence of `signature` that starts within the search window,
// as minizip finds it; -1 when there is none.
int64_t FindBackwards(const std::string& tail, uint64_t tailStart, uint32_t signature) {
    if (tail.size() < 4) return -1;
    for (size_t i = tail.size() - 4 + 1; i-- > 0;)
        if (U32(Bytes(tail, i)) == signature) return static_cast<int64_t>(tailStart + i);
    return -1;
}

// Reads the Zip64 extended information of an extra field: each value whose
// 32-bit (or 16-bit) field is all ones is taken from it, in the order the
// format fixes. False when one is needed and missing.
bool ApplyZip64Extra(const unsigned char* extra, size_t length, uint64_t* size, uint64_t* compressed,
                     uint64_t* offset) {
    const bool needSize = *size == 0xFFFFFFFFu, needCompressed = *compressed == 0xFFFFFFFFu;
    const bool needOffset = offset && *offset == 0xFFFFFFFFu;
    if (!needSize && !needCompressed && !needOffset) return true;
    for (size_t at = 0; at + 4 <= length;) {
        const uint16_t id = U16(extra + at), dataLength = U16(extra + at + 2);
        if (at + 4 + dataLength > length) return false;
        if (id == 0x0001) {
            const unsigned char* p = extra + at + 4;
            size_t left = dataLength;
            auto take = [&](uint64_t* v) {
                if (left < 8) return false;
                *v = U64(p);
                p += 8;
                left -= 8;
                return true;
            };
            return (!needSize || take(size)) && (!needCompressed || take(compressed)) && (!needOffset || take(offset));
        }
        at += 4 + dataLength;
    }
    return false;
}

// A local header's Zip64 field holds both sizes, uncompressed first, even
// when only one of them is all ones; a writer that stores only the all-ones
// ones stores them in that same order.
bool ApplyLocalZip64Extra(const unsigned char* extra, size_t length, uint64_t* size, uint64_t* compressed) {
    if (*size != 0xFFFFFFFFu && *compressed != 0xFFFFFFFFu) return true;
    for (size_t at = 0; at + 4 <= length;) {
        const uint16_t id = U16(extra + at), dataLength = U16(extra + at + 2);
        if (at + 4 + dataLength > length) return false;
        if (id == 0x0001 && dataLength >= 16) {
            if (*size == 0xFFFFFFFFu) *size = U64(extra + at + 4);
            if (*compressed == 0xFFFFFFFFu) *compressed = U64(extra + at + 12);
            return true;
        }
        if (id == 0x0001) return ApplyZip64Extra(extra, length, size, compressed, nullptr);
        at += 4 + dataLength;
    }
    return false;
}

bool HasZip64Extra(const unsigned char* extra, size_t length) {
    for (size_t at = 0; at + 4 <= length; at += 4 + U16(extra + at + 2))
        if (U16(extra + at) == 0x0001) return true;
    return false;
}

struct Directory {
    uint64_t count = 0, size = 0, offset = 0;
    uint64_t endOfDirectory = 0;  // where the directory must end: the first end record
};

// With a Zip64 end record, each field of the plain one either stands for
// it (all ones) or says the same: a reader of the plain record alone must
// find the same directory.
bool PlainRecordAgrees(const unsigned char* e, const unsigned char* z) {
    auto agrees16 = [](uint16_t plain, uint64_t wide) { return plain == 0xFFFF || plain == wide; };
    auto agrees32 = [](uint32_t plain, uint64_t wide) { return plain == 0xFFFFFFFFu || plain == wide; };
    return agrees16(U16(e + 4), U32(z + 16)) && agrees16(U16(e + 6), U32(z + 20)) && agrees16(U16(e + 8), U64(z + 24)) &&
           agrees16(U16(e + 10), U64(z + 32)) && agrees32(U32(e + 12), U64(z + 40)) && agrees32(U32(e + 16), U64(z + 48));
}

bool ReadEndRecords(Reader& in, Directory* dir, std::string* reason) {
    const uint64_t fileSize = static_cast<uint64_t>(in.Size());
    const uint64_t tailStart = fileSize > kSearchBack ? fileSize - kSearchBack : 0;
    std::string tail;
    if (!in.Read(tailStart, static_cast<size_t>(fileSize - tailStart), &tail)) return *reason = "unreadable", false;
    const int64_t end = FindBackwards(tail, tailStart, kEndSignature);
    std::string rec;
    if (end < 0 || !in.Read(static_cast<uint64_t>(end), kEndSize, &rec))
        return *reason = "no end of central directory record", false;
    const unsigned char* e = Bytes(rec);
    // A comment cut short is a cut archive: what is missing may have been
    // anything.
    if (U16(e + 20) > fileSize - static_cast<uint64_t>(end) - kEndSize)
        return *reason = "the archive comment runs past the end of the file", false;
    dir->count = U16(e + 10);
    dir->size = U32(e + 12);
    dir->offset = U32(e + 16);
    dir->endOfDirectory = static_cast<uint64_t>(end);

    // A Zip64 locator counts only at its one place, right before the end
    // record; the same bytes anywhere else are data (a comment, an entry).
    std::string loc;
    if (end >= static_cast<int64_t>(kLocatorSize) &&
        in.Read(static_cast<uint64_t>(end) - kLocatorSize, kLocatorSize, &loc) &&
        U32(Bytes(loc)) == kZip64LocatorSignature) {
        std::string rec64;
        const uint64_t at = U64(Bytes(loc, 8));
        if (U32(Bytes(loc, 4)) != 0 || U32(Bytes(loc, 16)) != 1 || !in.Read(at, kZip64EndSize, &rec64) ||
            U32(Bytes(rec64)) != kZip64EndSignature)
            return *reason = "the Zip64 end record is missing", false;
        const unsigned char* z = Bytes(rec64);
        if (U32(z + 16) != 0 || U32(z + 20) != 0 || U64(z + 24) != U64(z + 32))
            return *reason = "the archive spans several disks", false;
        // Streaming writers leave every plain field all ones.
        if (!PlainRecordAgrees(e, z))
            return *reason = "the Zip64 and the plain end record name different central directories", false;
        dir->count = U64(z + 32);
        dir->size = U64(z + 40);
        dir->offset = U64(z + 48);
        dir->endOfDirectory = at;
    } else if (U16(e + 4) != 0 || U16(e + 6) != 0 || U16(e + 8) != U16(e + 10)) {
        return *reason = "the archive spans several disks", false;
    } else if (dir->size == 0xFFFFFFFFu || dir->offset == 0xFFFFFFFFu) {
        // A count of 0xFFFF without Zip64 records is read as it stands, as
        // minizip reads it: minizip's own writer leaves 65,535 entries so.
        return *reason = "the end record's sizes are unreadable (no Zip64 record)", false;
    }
    if (dir->offset > dir->endOfDirectory || dir->size != dir->endOfDirectory - dir->offset)
        return *reason = "the central directory is not where the end record says", false;
    return true;
}

// The names of the Info-ZIP Unicode path fields of an extra field.
void AddUnicodeNames(const unsigned char* extra, size_t length, std::vector<std::string>* names) {
    constexpr uint16_t kUnicodePath = 0x7075;
    constexpr size_t kHead = 5;  // version and the CRC-32 of the header's name
    for (size_t at = 0; at + 4 <= length;) {
        const uint16_t id = U16(extra + at), dataLength = U16(extra + at + 2);
        if (at + 4 + dataLength > length) return;
        if (id == kUnicodePath && dataLength >= kHead)
            names->emplace_back(reinterpret_cast<const char*>(extra + at + 4 + kHead), dataLength - kHead);
        at += 4 + dataLength;
    }
}

bool ReadCentral(const std::string& cd, const Directory& dir, std::vector<SurveyEntry>* entries, std::string* reason) {
    size_t at = 0;
    while (at < cd.size()) {
        if (cd.size() - at < kCentralSize || U32(Bytes(cd, at)) != kCentralSignature)
            return *reason = "a damaged central directory record", false;
        const unsigned char* c = Bytes(cd, at);
        const size_t nameLength = U16(c + 28), extraLength = U16(c + 30), commentLength = U16(c + 32);
        if (cd.size() - at - kCentralSize < nameLength + extraLength + commentLength)
            return *reason = "a damaged central directory record", false;
        SurveyEntry e;
        e.madeBy = U16(c + 4);
        e.flags = U16(c + 8);
        e.method = U16(c + 10);
        e.crc = U32(c + 16);
        e.compressedSize = U32(c + 20);
        e.size = U32(c + 24);
        e.externalAttributes = U32(c + 38);
        e.localOffset = U32(c + 42);
        e.name.assign(reinterpret_cast<const char*>(c + kCentralSize), nameLength);
        if (U16(c + 34) != 0 && U16(c + 34) != 0xFFFF) return *reason = "an entry on another disk", false;
        if (!ApplyZip64Extra(c + kCentralSize + nameLength, extraLength, &e.size, &e.compressedSize, &e.localOffset))
            return *reason = "an entry's sizes are unreadable", false;
        AddUnicodeNames(c + kCentralSize + nameLength, extraLength, &e.unicodeNames);
        entries->push_back(std::move(e));
        at += kCentralSize + nameLength + extraLength + commentLength;
    }
    if (entries->size() != dir.count) return *reason = "the end record counts another number of entries", false;
    return true;
}

// The data descriptor behind an entry's data: CRC-32 and both sizes, with or
// without its signature, the sizes in 32 or (Zip64) 64 bits. Its length
// when one of these forms says exactly what the central record says, else 0.
size_t DescriptorLength(Reader& in, const SurveyEntry& e, uint64_t at, uint64_t directoryStart, bool zip64) {
    constexpr uint32_t kDescriptorSignature = 0x08074b50;
    std::string d;
    const uint64_t room = directoryStart - at;
    if (!in.Read(at, static_cast<size_t>(std::min<uint64_t>(room, 24)), &d)) return 0;
    for (const bool withSignature : {true, false}) {
        const size_t start = withSignature ? 4 : 0;
        if (withSignature && (d.size() < 4 || U32(Bytes(d)) != kDescriptorSignature)) continue;
        for (const bool wide : {zip64, !zip64}) {
            const size_t length = start + 4 + (wide ? 16 : 8);
            if (d.size() < length || U32(Bytes(d, start)) != e.crc) continue;
            const uint64_t compressed = wide ? U64(Bytes(d, start + 4)) : U32(Bytes(d, start + 4));
            const uint64_t size = wide ? U64(Bytes(d, start + 12)) : U32(Bytes(d, start + 8));
            if (compressed == e.compressedSize && size == e.size) return length;
        }
    }
    return 0;
}

// The local header must say what the central record says; the entry's
// range (header, name, extra field, data) is returned in `end`.
bool CheckLocal(Reader& in, SurveyEntry& e, uint64_t directoryStart, uint64_t* end, std::string* reason) {
    std::string h;
    if (e.localOffset >= directoryStart || directoryStart - e.localOffset < kLocalSize ||
        !in.Read(e.localOffset, kLocalSize, &h) || U32(Bytes(h)) != kLocalSignature)
        return *reason = "no local header where the directory points", false;
    const unsigned char* l = Bytes(h);
    const size_t nameLength = U16(l + 26), extraLength = U16(l + 28);
    std::string nameAndExtra;
    if (!in.Read(e.localOffset + kLocalSize, nameLength + extraLength, &nameAndExtra))
        return *reason = "a local header past the end", false;
    if (U16(l + 8) != e.method || nameAndExtra.compare(0, nameLength, e.name) != 0 || nameLength != e.name.size())
        return *reason = "a local header differs from its directory record", false;
    if ((U16(l + 6) & kFlagDataDescriptor) != (e.flags & kFlagDataDescriptor))
        return *reason = "a local header differs from its directory record", false;
    // Readers that go by the local header would take the entry for
    // encrypted, or for plain, where the others do not.
    if ((U16(l + 6) & kFlagsEncrypted) != (e.flags & kFlagsEncrypted))
        return *reason = "a local header and its record differ in encryption", false;
    uint64_t size = U32(l + 22), compressed = U32(l + 18);
    const unsigned char* extra = Bytes(nameAndExtra, nameLength);
    AddUnicodeNames(extra, extraLength, &e.unicodeNames);
    if (!ApplyLocalZip64Extra(extra, extraLength, &size, &compressed))
        return *reason = "a local header differs from its directory record", false;
    const bool descriptor = (e.flags & kFlagDataDescriptor) != 0;
    // With a data descriptor the local fields may be left zero; any value
    // given must still be the directory's.
    auto agrees = [descriptor](uint64_t local, uint64_t central) {
        return local == central || (descriptor && local == 0);
    };
    if (!agrees(U32(l + 14), e.crc) || !agrees(size, e.size) || !agrees(compressed, e.compressedSize))
        return *reason = "a local header differs from its directory record", false;
    const uint64_t dataStart = e.localOffset + kLocalSize + nameLength + extraLength;
    if (dataStart > directoryStart || e.compressedSize > directoryStart - dataStart)
        return *reason = "an entry's data runs into the central directory", false;
    e.dataOffset = dataStart;
    *end = dataStart + e.compressedSize;
    if (descriptor) {
        const size_t length = DescriptorLength(in, e, *end, directoryStart, HasZip64Extra(extra, extraLength));
        if (length == 0) return *reason = "a data descriptor differs from its directory record", false;
        *end += length;
    }
    return true;
}

}  // namespace

bool SurveyArchive(const std::string& ansiPath, ArchiveSurvey* survey, std::string* reason) {
    survey->entries.clear();
    survey->declaredTotal = 0;
    platform::FilePtr file(platform::OpenFileAnsi(ansiPath, "rb"));
    if (!file) return *reason = "cannot be opened", false;
    Reader in(file.get());
    if (in.Size() < static_cast<int64_t>(kEndSize)) return *reason = "too short for a zip archive", false;

    Directory dir;
    if (!ReadEndRecords(in, &dir, reason)) return false;
    std::string cd;
    if (!in.Read(dir.offset, static_cast<size_t>(dir.size), &cd)) return *reason = "unreadable central directory", false;
    if (!ReadCentral(cd, dir, &survey->entries, reason)) return false;

    // Each entry's range must be its own: records that share data are how a
    // small archive is made to extract to much more.
    std::vector<std::pair<uint64_t, uint64_t>> ranges;
    ranges.reserve(survey->entries.size());
    for (SurveyEntry& e : survey->entries) {
        uint64_t end = 0;
        if (!CheckLocal(in, e, dir.offset, &end, reason)) return false;
        ranges.emplace_back(e.localOffset, end);
        survey->declaredTotal = e.size > UINT64_MAX - survey->declaredTotal ? UINT64_MAX : survey->declaredTotal + e.size;
    }
    std::sort(ranges.begin(), ranges.end());
    for (size_t i = 1; i < ranges.size(); ++i)
        if (ranges[i].first < ranges[i - 1].second) return *reason = "entries overlap in the archive", false;
    return true;
}
