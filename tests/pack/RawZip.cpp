#include "RawZip.h"

#include <zlib.h>

void Put16(std::string& s, uint32_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}
void Put64(std::string& s, uint64_t v) {
    Put32(s, static_cast<uint32_t>(v));
    Put32(s, static_cast<uint32_t>(v >> 32));
}

namespace {
constexpr uint32_t kDosTime = 0, kDosDate = (40u << 9) | (1u << 5) | 1u;  // 2020-01-01
}  // namespace

uint32_t Crc32(const std::string& data) {
    return static_cast<uint32_t>(
        crc32(crc32(0, Z_NULL, 0), reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::string DeflateRaw(const std::string& data) {
    z_stream s{};
    deflateInit2(&s, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&s, data.size()), '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    s.avail_in = static_cast<uInt>(data.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = static_cast<uInt>(out.size());
    deflate(&s, Z_FINISH);
    out.resize(s.total_out);
    deflateEnd(&s);
    return out;
}

RawEntry StoredEntry(const std::string& name, const std::string& data) {
    RawEntry e;
    e.name = name;
    e.payload = data;
    e.crc = Crc32(data);
    e.size = data.size();
    return e;
}

RawEntry DeflatedEntry(const std::string& name, const std::string& data) {
    RawEntry e = StoredEntry(name, data);
    e.method = 8;
    e.payload = DeflateRaw(data);
    return e;
}

namespace {

// The local header, data and descriptor of one entry.
std::string LocalPart(const RawEntry& e) {
    std::string out;
    const std::string& localName = e.localName.empty() ? e.name : e.localName;
    const bool descriptor = e.descriptor != Descriptor::None;
    const uint32_t compressed32 = static_cast<uint32_t>(e.payload.size()), size32 = static_cast<uint32_t>(e.size);
    Put32(out, 0x04034b50);
    Put16(out, 20);
    Put16(out, e.flags | (descriptor ? 8 : 0));
    Put16(out, e.method);
    Put16(out, kDosTime);
    Put16(out, kDosDate);
    Put32(out, descriptor ? 0 : e.crc);
    Put32(out, descriptor ? 0 : (e.zip64Local & 2) ? 0xFFFFFFFFu : compressed32);
    Put32(out, descriptor ? 0 : (e.zip64Local & 1) ? 0xFFFFFFFFu : size32);
    std::string zip64;
    if (e.zip64Full || (e.zip64Local & 1)) Put64(zip64, e.size);
    if (e.zip64Full || (e.zip64Local & 2)) Put64(zip64, e.payload.size());
    Put16(out, static_cast<uint32_t>(localName.size()));
    Put16(out, static_cast<uint32_t>((zip64.empty() ? 0 : 4 + zip64.size()) + e.localExtra.size()));
    out += localName;
    if (!zip64.empty()) {
        Put16(out, 0x0001);
        Put16(out, static_cast<uint32_t>(zip64.size()));
        out += zip64;
    }
    out += e.localExtra;
    out += e.payload;
    if (e.descriptor == Descriptor::Signed || e.descriptor == Descriptor::Signed64) Put32(out, 0x08074b50);
    if (descriptor) Put32(out, e.crc);
    if (e.descriptor == Descriptor::Signed64 || e.descriptor == Descriptor::Unsigned64) {
        Put64(out, e.payload.size());
        Put64(out, e.size);
    } else if (descriptor) {
        Put32(out, compressed32);
        Put32(out, size32);
    }
    return out;
}

// The central record of `e`, whose data is `data`'s, at `offset`.
std::string CentralRecord(const RawEntry& e, const RawEntry& data, uint32_t offset) {
    std::string central;
    Put32(central, 0x02014b50);
    Put16(central, e.madeBy);
    Put16(central, 20);
    Put16(central, (e.flags ^ e.centralFlagsFlip) | (e.descriptor != Descriptor::None ? 8 : 0));
    Put16(central, e.method);
    Put16(central, kDosTime);
    Put16(central, kDosDate);
    Put32(central, e.crc);
    Put32(central, static_cast<uint32_t>(data.payload.size()));
    Put32(central, static_cast<uint32_t>(e.size));
    Put16(central, static_cast<uint32_t>(e.name.size()));
    Put16(central, static_cast<uint32_t>(e.centralExtra.size()));
    Put16(central, 0);
    Put16(central, 0);
    Put16(central, 0);
    Put32(central, e.external);
    Put32(central, offset);
    central += e.name;
    central += e.centralExtra;
    return central;
}

uint16_t Get16(const std::string& s, size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(s[at]) | (static_cast<unsigned char>(s[at + 1]) << 8));
}
uint32_t Get32(const std::string& s, size_t at) { return Get16(s, at) | (static_cast<uint32_t>(Get16(s, at + 2)) << 16); }
uint64_t Get64(const std::string& s, size_t at) { return Get32(s, at) | (static_cast<uint64_t>(Get32(s, at + 4)) << 32); }
void Set16(std::string& s, size_t at, uint32_t v) {
    std::string b;
    Put16(b, v);
    s.replace(at, 2, b);
}
void Set32(std::string& s, size_t at, uint32_t v) {
    std::string b;
    Put32(b, v);
    s.replace(at, 4, b);
}
void Set64(std::string& s, size_t at, uint64_t v) {
    std::string b;
    Put64(b, v);
    s.replace(at, 8, b);
}

}  // namespace

std::string BuildRawZip(const std::vector<RawEntry>& entries, const RawZipEnd& end) {
    std::string out, central;
    std::vector<uint32_t> offsets;
    for (const RawEntry& e : entries) {
        if (e.sharesLocalOf >= 0) {
            offsets.push_back(offsets[static_cast<size_t>(e.sharesLocalOf)]);
            continue;
        }
        offsets.push_back(static_cast<uint32_t>(out.size()));
        out += LocalPart(e);
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        const RawEntry& e = entries[i];
        const RawEntry& data = e.sharesLocalOf >= 0 ? entries[static_cast<size_t>(e.sharesLocalOf)] : e;
        central += CentralRecord(e, data, e.offsetOverride ? static_cast<uint32_t>(e.offsetOverride) : offsets[i]);
    }
    const uint32_t cdOffset = static_cast<uint32_t>(out.size());
    out += central;
    const uint32_t count = end.countAllOnes ? 0xFFFFu : static_cast<uint32_t>(static_cast<int>(entries.size()) + end.countDelta);
    const bool allOnes = end.zip64 == Zip64End::PlainAllOnes;
    if (end.zip64 != Zip64End::None) {
        const uint64_t zip64At = out.size();
        Put32(out, 0x06064b50);
        Put64(out, 44);
        Put16(out, 45);
        Put16(out, 45);
        Put32(out, 0);
        Put32(out, 0);
        Put64(out, count);
        Put64(out, count);
        Put64(out, central.size());
        Put64(out, cdOffset);
        Put32(out, 0x07064b50);
        Put32(out, 0);
        Put64(out, zip64At);
        Put32(out, 1);
    }
    Put32(out, 0x06054b50);
    Put16(out, allOnes ? 0xFFFF : 0);
    Put16(out, allOnes ? 0xFFFF : 0);
    Put16(out, allOnes ? 0xFFFF : count);
    Put16(out, allOnes ? 0xFFFF : count);
    Put32(out, allOnes ? 0xFFFFFFFFu : static_cast<uint32_t>(central.size()));
    Put32(out, allOnes ? 0xFFFFFFFFu : cdOffset + (end.zip64 == Zip64End::PlainElsewhere ? 1 : 0));
    Put16(out, static_cast<uint32_t>(end.comment.size()));
    return out + end.comment;
}

std::string InsertBeforeCentralDirectory(const std::string& zip, const std::vector<RawEntry>& entries) {
    constexpr size_t kEndSize = 22, kLocatorSize = 20, kZip64EndSize = 56;
    // The end record as minizip finds it: the last signature in the file's
    // last 64 KiB.
    const size_t searchFrom = zip.size() > 0xFFFF ? zip.size() - 0xFFFF : 0;
    const size_t end = zip.size() >= kEndSize ? zip.rfind("PK\x05\x06", zip.size() - kEndSize) : std::string::npos;
    if (end == std::string::npos || end < searchFrom) return zip;
    size_t zip64 = std::string::npos;
    if (end >= kLocatorSize && Get32(zip, end - kLocatorSize) == 0x07064b50) {
        const uint64_t at = Get64(zip, end - kLocatorSize + 8);
        if (end >= kLocatorSize + kZip64EndSize && at <= end - kLocatorSize - kZip64EndSize &&
            Get32(zip, static_cast<size_t>(at)) == 0x06064b50)
            zip64 = static_cast<size_t>(at);
    }
    const uint64_t directory = zip64 != std::string::npos ? Get64(zip, zip64 + 48) : Get32(zip, end + 16);
    if (directory > (zip64 != std::string::npos ? zip64 : end)) return zip;
    const size_t at = static_cast<size_t>(directory);

    std::string locals, centrals;
    for (const RawEntry& e : entries) {
        centrals += CentralRecord(e, e, static_cast<uint32_t>(at + locals.size()));
        locals += LocalPart(e);
    }
    const uint64_t count = entries.size(), shift = locals.size() + centrals.size();
    std::string out = zip.substr(0, at) + locals + centrals + zip.substr(at);
    // Fields that stand for their Zip64 values (all ones) stay so.
    const size_t e = end + shift;
    for (size_t field : {8, 10})
        if (Get16(out, e + field) != 0xFFFF) Set16(out, e + field, static_cast<uint32_t>(Get16(out, e + field) + count));
    if (Get32(out, e + 12) != 0xFFFFFFFFu) Set32(out, e + 12, static_cast<uint32_t>(Get32(out, e + 12) + centrals.size()));
    if (Get32(out, e + 16) != 0xFFFFFFFFu) Set32(out, e + 16, static_cast<uint32_t>(Get32(out, e + 16) + locals.size()));
    if (zip64 != std::string::npos) {
        const size_t z = zip64 + shift;
        Set64(out, z + 24, Get64(out, z + 24) + count);
        Set64(out, z + 32, Get64(out, z + 32) + count);
        Set64(out, z + 40, Get64(out, z + 40) + centrals.size());
        Set64(out, z + 48, Get64(out, z + 48) + locals.size());
        Set64(out, e - kLocatorSize + 8, z);
    }
    return out;
}
