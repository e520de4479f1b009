#include "pack/EntryData.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <climits>

#include "platform/FileExtra.h"

namespace {

constexpr size_t kBuffer = 8192;
constexpr int kStored = 0;
// Pieces in which a whole inflated entry goes to the sink.
constexpr size_t kSinkPiece = 256 * 1024;

UnzipOutcome Damaged(const char* reason) { return {kUnzipDamaged, reason}; }

// The compressed bytes of an entry, read by offset from the archive stream
// where the survey found them (no seek, and no copy through the stream's
// buffer): at most the declared compressed size.
class RawBytes {
public:
    RawBytes(const SurveyEntry& entry, FILE* archive)
        : m_archive(archive), m_next(entry.dataOffset), m_left(entry.compressedSize) {
        m_ok = archive && entry.dataOffset != 0;
    }
    // Bytes read into `buffer`, 0 at the end, -1 when the archive cannot be read.
    int Read(void* buffer, unsigned size) {
        if (!m_ok) return -1;
        const size_t ask = static_cast<size_t>(std::min<uint64_t>({m_left, size, INT_MAX}));
        if (ask == 0) return 0;
        if (platform::ReadFileAt(m_archive, m_next, buffer, ask) != static_cast<int64_t>(ask)) {
            m_ok = false;
            return -1;
        }
        m_next += ask;
        m_left -= ask;
        return static_cast<int>(ask);
    }

private:
    FILE* m_archive;
    uint64_t m_next;
    uint64_t m_left;
    bool m_ok = false;
};

class Inflater {
public:
    Inflater() { m_ready = inflateInit2(&m_stream, -MAX_WBITS) == Z_OK; }
    ~Inflater() {
        if (m_ready) inflateEnd(&m_stream);
    }
    z_stream* Get() { return &m_stream; }
    bool Ready() const { return m_ready; }

private:
    z_stream m_stream{};
    bool m_ready = false;
};

// Counts, checksums and forwards the uncompressed bytes.
class Output {
public:
    Output(const SurveyEntry& entry, const EntrySink& sink) : m_entry(entry), m_sink(sink) {}
    UnzipOutcome Put(const char* data, size_t n) {
        if (n == 0) return {};
        if (n > m_entry.size - m_written) return Damaged("an entry holds more data than declared");
        m_written += n;
        m_crc = libdeflate_crc32(m_crc, data, n);
        return m_sink(data, n);
    }
    UnzipOutcome Finish() const {
        if (m_written != m_entry.size) return Damaged("an entry holds less data than declared");
        if (m_crc != m_entry.crc) return Damaged("an entry's CRC-32 does not match");
        return {};
    }

private:
    const SurveyEntry& m_entry;
    const EntrySink& m_sink;
    uint64_t m_written = 0;
    uint32_t m_crc = 0;
};

// One inflate call into `buffer`, its output passed on; `failure` says
// what went wrong when inflate fails.
UnzipOutcome InflateInto(z_stream* z, char (&buffer)[kBuffer], Output& out, bool* ended, const char* failure) {
    z->next_out = reinterpret_cast<Bytef*>(buffer);
    z->avail_out = sizeof buffer;
    const int status = inflate(z, Z_NO_FLUSH);
    if (status == Z_STREAM_END)
        *ended = true;
    else if (status != Z_OK)
        return Damaged(failure);
    return out.Put(buffer, sizeof buffer - z->avail_out);
}

UnzipOutcome Inflate(RawBytes& raw, Output& out) {
    Inflater inflater;
    if (!inflater.Ready()) return Damaged("an entry's data cannot be inflated");
    z_stream* z = inflater.Get();
    char in[kBuffer], buffer[kBuffer];
    bool ended = false;
    for (;;) {
        const int count = raw.Read(in, sizeof in);
        if (count < 0) return Damaged("an entry's data cannot be read");
        if (count == 0) break;
        if (ended) return Damaged("data after the end of an entry's stream");
        z->next_in = reinterpret_cast<Bytef*>(in);
        z->avail_in = static_cast<uInt>(count);
        while (z->avail_in > 0 && !ended) {
            UnzipOutcome put = InflateInto(z, buffer, out, &ended, "an entry's data cannot be inflated");
            if (put.status != 0) return put;
        }
        if (ended && z->avail_in > 0) return Damaged("data after the end of an entry's stream");
    }
    // Output still held inside the inflater once all input is in.
    while (!ended) {
        UnzipOutcome put = InflateInto(z, buffer, out, &ended, "an entry's stream is cut short");
        if (put.status != 0) return put;
        if (!ended && z->avail_out == sizeof buffer) return Damaged("an entry's stream is cut short");
    }
    return out.Finish();
}

UnzipOutcome CopyStored(RawBytes& raw, Output& out) {
    char buffer[kBuffer];
    for (;;) {
        const int count = raw.Read(buffer, sizeof buffer);
        if (count < 0) return Damaged("an entry's data cannot be read");
        if (count == 0) return out.Finish();
        UnzipOutcome put = out.Put(buffer, static_cast<size_t>(count));
        if (put.status != 0) return put;
    }
}

// Reads the compressed bytes into `in`; false unless exactly as many came
// as the headers declare.
bool ReadWhole(RawBytes& raw, uint64_t size, std::vector<unsigned char>& in) {
    if (in.size() < size) in.resize(size);
    uint64_t got = 0;
    while (got < size) {
        const unsigned ask = static_cast<unsigned>(std::min<uint64_t>(size - got, INT_MAX));
        const int count = raw.Read(in.data() + got, ask);
        if (count <= 0) return false;
        got += static_cast<uint64_t>(count);
    }
    return true;
}

// Inflates the entry in one call. True when it was exactly what its headers
// say and went to the sink (`*result` is then the sink's verdict); false
// when anything differed and nothing has reached the sink.
bool InflateWhole(const SurveyEntry& entry, EntryScratch& scratch, const EntrySink& sink, UnzipOutcome* result) {
    libdeflate_decompressor* decompressor = scratch.Decompressor();
    RawBytes raw(entry, scratch.archive.get());
    if (!decompressor || !ReadWhole(raw, entry.compressedSize, scratch.in)) return false;
    // One spare byte, so a stream longer than declared is told apart.
    if (scratch.out.size() < entry.size + 1) scratch.out.resize(entry.size + 1);
    size_t usedIn = 0, made = 0;
    if (libdeflate_deflate_decompress_ex(decompressor, scratch.in.data(), entry.compressedSize, scratch.out.data(),
                                         entry.size + 1, &usedIn, &made) != LIBDEFLATE_SUCCESS ||
        usedIn != entry.compressedSize || made != entry.size ||
        libdeflate_crc32(0, scratch.out.data(), made) != entry.crc)
        return false;
    const char* data = reinterpret_cast<const char*>(scratch.out.data());
    for (size_t done = 0; done < made;) {
        const size_t n = std::min(kSinkPiece, made - done);
        *result = sink(data + done, n);
        if (result->status != 0) return true;
        done += n;
    }
    *result = {};
    return true;
}

}  // namespace

EntryScratch::~EntryScratch() {
    if (m_decompressor) libdeflate_free_decompressor(m_decompressor);
}

libdeflate_decompressor* EntryScratch::Decompressor() {
    if (!m_decompressor) m_decompressor = libdeflate_alloc_decompressor();
    return m_decompressor;
}

UnzipOutcome CopyEntryData(const SurveyEntry& entry, EntryScratch& scratch, const EntrySink& sink) {
    // Writers store an empty file as a deflated entry with no bytes at all:
    // there is no stream to inflate, and nothing is missing.
    const bool stored = entry.method == kStored;
    const bool noStream = !stored && entry.compressedSize == 0;
    if (!noStream && !stored && entry.size < kWholeEntryCap && entry.compressedSize <= kWholeEntryCap) {
        UnzipOutcome whole;
        if (InflateWhole(entry, scratch, sink, &whole)) return whole;
        // Refused: stream it from its start to learn what is wrong.
    }
    Output out(entry, sink);
    RawBytes raw(entry, scratch.archive.get());
    return stored || noStream ? CopyStored(raw, out) : Inflate(raw, out);
}
