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

std::string BuildRawZip(const std::vector<RawEntry>& entries, const RawZipEnd& end) {
    std::string out, central;
    std::vector<uint32_t> offsets;
    for (const RawEntry& e : entries) {
        if (e.sharesLocalOf >= 0) {
            offsets.push_back(offsets[static_cast<size_t>(e.sharesLocalOf)]);
            continue;
        }
        const std::string& localName = e.localName.empty() ? e.name : e.localName;
        offsets.push_back(static_cast<uint32_t>(out.size()));
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
        Put16(out, zip64.empty() ? 0 : static_cast<uint32_t>(4 + zip64.size()));
        out += localName;
        if (!zip64.empty()) {
            Put16(out, 0x0001);
            Put16(out, static_cast<uint32_t>(zip64.size()));
            out += zip64;
        }
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
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        const RawEntry& e = entries[i];
        const RawEntry& data = e.sharesLocalOf >= 0 ? entries[static_cast<size_t>(e.sharesLocalOf)] : e;
        Put32(central, 0x02014b50);
        Put16(central, e.madeBy);
        Put16(central, 20);
        Put16(central, e.flags | (e.descriptor != Descriptor::None ? 8 : 0));
        Put16(central, e.method);
        Put16(central, kDosTime);
        Put16(central, kDosDate);
        Put32(central, e.crc);
        Put32(central, static_cast<uint32_t>(data.payload.size()));
        Put32(central, static_cast<uint32_t>(e.size));
        Put16(central, static_cast<uint32_t>(e.name.size()));
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, e.external);
        Put32(central, e.offsetOverride ? static_cast<uint32_t>(e.offsetOverride) : offsets[i]);
        central += e.name;
    }
    const uint32_t cdOffset = static_cast<uint32_t>(out.size());
    out += central;
    const uint32_t count = end.countAllOnes ? 0xFFFFu : static_cast<uint32_t>(static_cast<int>(entries.size()) + end.countDelta);
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, count);
    Put16(out, count);
    Put32(out, static_cast<uint32_t>(central.size()));
    Put32(out, cdOffset);
    Put16(out, static_cast<uint32_t>(end.comment.size()));
    return out + end.comment;
}
