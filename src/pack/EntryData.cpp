#include "pack/EntryData.h"

#include <zlib.h>

namespace {

constexpr size_t kBuffer = 8192;
constexpr int kStored = 0;

UnzipOutcome Damaged(const char* reason) { return {kUnzipDamaged, reason}; }

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
    Output(const SurveyEntry& entry, const std::function<UnzipOutcome(const char*, size_t)>& sink)
        : m_entry(entry), m_sink(sink) {}
    UnzipOutcome Put(const char* data, size_t n) {
        if (n == 0) return {};
        if (n > m_entry.size - m_written) return Damaged("an entry holds more data than declared");
        m_written += n;
        m_crc = crc32(m_crc, reinterpret_cast<const Bytef*>(data), static_cast<uInt>(n));
        return m_sink(data, n);
    }
    UnzipOutcome Finish() const {
        if (m_written != m_entry.size) return Damaged("an entry holds less data than declared");
        if (m_crc != m_entry.crc) return Damaged("an entry's CRC-32 does not match");
        return {};
    }

private:
    const SurveyEntry& m_entry;
    const std::function<UnzipOutcome(const char*, size_t)>& m_sink;
    uint64_t m_written = 0;
    uLong m_crc = crc32(0, Z_NULL, 0);
};

UnzipOutcome Inflate(unzFile zip, Output& out) {
    Inflater inflater;
    if (!inflater.Ready()) return Damaged("an entry's data cannot be inflated");
    z_stream* z = inflater.Get();
    char in[kBuffer], buffer[kBuffer];
    bool ended = false;
    for (;;) {
        const int count = unzReadCurrentFile(zip, in, sizeof in);
        if (count < 0) return Damaged("an entry's data cannot be read");
        if (count == 0) break;
        if (ended) return Damaged("data after the end of an entry's stream");
        z->next_in = reinterpret_cast<Bytef*>(in);
        z->avail_in = static_cast<uInt>(count);
        while (z->avail_in > 0 && !ended) {
            z->next_out = reinterpret_cast<Bytef*>(buffer);
            z->avail_out = sizeof buffer;
            const int status = inflate(z, Z_NO_FLUSH);
            if (status == Z_STREAM_END)
                ended = true;
            else if (status != Z_OK)
                return Damaged("an entry's data cannot be inflated");
            UnzipOutcome put = out.Put(buffer, sizeof buffer - z->avail_out);
            if (put.status != 0) return put;
        }
        if (ended && z->avail_in > 0) return Damaged("data after the end of an entry's stream");
    }
    // Output still held inside the inflater once all input is in.
    while (!ended) {
        z->next_out = reinterpret_cast<Bytef*>(buffer);
        z->avail_out = sizeof buffer;
        const int status = inflate(z, Z_NO_FLUSH);
        if (status == Z_STREAM_END)
            ended = true;
        else if (status != Z_OK)
            return Damaged("an entry's stream is cut short");
        UnzipOutcome put = out.Put(buffer, sizeof buffer - z->avail_out);
        if (put.status != 0) return put;
        if (!ended && z->avail_out == sizeof buffer) return Damaged("an entry's stream is cut short");
    }
    return out.Finish();
}

UnzipOutcome CopyStored(unzFile zip, Output& out) {
    char buffer[kBuffer];
    for (;;) {
        const int count = unzReadCurrentFile(zip, buffer, sizeof buffer);
        if (count < 0) return Damaged("an entry's data cannot be read");
        if (count == 0) return out.Finish();
        UnzipOutcome put = out.Put(buffer, static_cast<size_t>(count));
        if (put.status != 0) return put;
    }
}

}  // namespace

UnzipOutcome CopyEntryData(unzFile zip, const SurveyEntry& entry,
                           const std::function<UnzipOutcome(const char*, size_t)>& sink) {
    int method = 0, level = 0;
    if (unzOpenCurrentFile2(zip, &method, &level, 1) != UNZ_OK) return Damaged("an entry's data cannot be opened");
    Output out(entry, sink);
    // Writers store an empty file as a deflated entry with no bytes at all:
    // there is no stream to inflate, and nothing is missing.
    const bool noStream = method != kStored && entry.compressedSize == 0;
    UnzipOutcome result = method == kStored || noStream ? CopyStored(zip, out) : Inflate(zip, out);
    unzCloseCurrentFile(zip);  // raw reads carry no CRC verdict: Output checked it
    return result;
}
