#include "PackInflate.h"

#include <fcntl.h>
#include <isa-l/igzip_lib.h>
#include <libdeflate.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <numeric>
#include <vector>

#include "pack/ArchiveSurvey.h"
#include "pack/IndexedJobs.h"
#include "pack/Md5.h"

namespace {

constexpr size_t kChunk = 256 * 1024;
constexpr uint16_t kStored = 0, kDeflated = 8;

// The pack open for reading by offset, shared by the threads.
class PackFile {
public:
    explicit PackFile(const std::string& path) : m_fd(open(path.c_str(), O_RDONLY)) {}
    ~PackFile() {
        if (m_fd >= 0) close(m_fd);
    }
    PackFile(const PackFile&) = delete;
    PackFile& operator=(const PackFile&) = delete;
    bool ok() const { return m_fd >= 0; }
    bool Read(uint64_t at, void* to, size_t n) const {
        return pread(m_fd, to, n, static_cast<off_t>(at)) == static_cast<ssize_t>(n);
    }

private:
    int m_fd;
};

// What one thread reuses from entry to entry.
struct Scratch {
    std::vector<unsigned char> in, out;
    libdeflate_decompressor* libdeflate = nullptr;
    std::unique_ptr<inflate_state> isal = std::make_unique<inflate_state>();
    ~Scratch() {
        if (libdeflate) libdeflate_free_decompressor(libdeflate);
    }
};

// Reads an entry's compressed bytes into `s.in`: they start after its local
// header's 30 fixed bytes, its name and its extra field.
bool ReadEntry(const PackFile& file, const SurveyEntry& e, Scratch& s) {
    unsigned char h[30];
    if (!file.Read(e.localOffset, h, sizeof h)) return false;
    s.in.resize(e.compressedSize);
    return file.Read(e.localOffset + 30 + (h[26] | h[27] << 8) + (h[28] | h[29] << 8), s.in.data(), s.in.size());
}

void TakeMd5(const unsigned char* data, size_t n, bool md5, Md5Context* ctx) {
    if (md5) Md5Update(ctx, data, n);
}

bool InflateLibdeflate(const unsigned char* in, const SurveyEntry& e, bool md5, Md5Context* ctx, Scratch& s) {
    if (!s.libdeflate) s.libdeflate = libdeflate_alloc_decompressor();
    if (!s.libdeflate) return false;
    s.out.resize(e.size);
    size_t made = 0;
    if (libdeflate_deflate_decompress_ex(s.libdeflate, in, e.compressedSize, s.out.data(), e.size, nullptr, &made) !=
            LIBDEFLATE_SUCCESS ||
        made != e.size || libdeflate_crc32(0, s.out.data(), made) != e.crc)
        return false;
    TakeMd5(s.out.data(), made, md5, ctx);
    return true;
}

bool InflateIsal(const unsigned char* in, const SurveyEntry& e, bool md5, Md5Context* ctx, Scratch& s, bool whole) {
    inflate_state& st = *s.isal;
    isal_inflate_init(&st);
    st.crc_flag = ISAL_GZIP_NO_HDR;
    st.next_in = const_cast<uint8_t*>(in);
    st.avail_in = static_cast<uint32_t>(e.compressedSize);
    if (whole) {
        s.out.resize(e.size);
        st.next_out = s.out.data();
        st.avail_out = static_cast<uint32_t>(e.size);
        if (isal_inflate_stateless(&st) != ISAL_DECOMP_OK || st.total_out != e.size || st.crc != e.crc) return false;
        TakeMd5(s.out.data(), e.size, md5, ctx);
        return true;
    }
    s.out.resize(kChunk);
    uint64_t total = 0;
    for (;;) {
        st.next_out = s.out.data();
        st.avail_out = kChunk;
        if (isal_inflate(&st) != ISAL_DECOMP_OK) return false;
        const size_t n = kChunk - st.avail_out;
        TakeMd5(s.out.data(), n, md5, ctx);
        total += n;
        if (st.block_state == ISAL_BLOCK_FINISH) break;
        if (n == 0 && st.avail_in == 0) return false;  // the stream ends before its last block
    }
    return total == e.size && st.crc == e.crc;
}

}  // namespace

bool ParseDecoder(const std::string& name, Decoder* decoder) {
    for (Decoder d : {Decoder::Libdeflate, Decoder::Isal, Decoder::IsalWhole})
        if (name == DecoderName(d)) {
            *decoder = d;
            return true;
        }
    return false;
}

const char* DecoderName(Decoder decoder) {
    switch (decoder) {
        case Decoder::Libdeflate: return "libdeflate";
        case Decoder::Isal: return "isal";
        case Decoder::IsalWhole: return "isal-whole";
    }
    return "?";
}

bool InflatePack(const std::string& pack, Decoder decoder, bool md5, std::string* reason) {
    ArchiveSurvey survey;
    if (!SurveyArchive(pack, &survey, reason)) return false;
    PackFile file(pack);
    if (!file.ok()) {
        *reason = "cannot open " + pack;
        return false;
    }
    const std::vector<SurveyEntry>& entries = survey.entries;
    std::vector<size_t> order(entries.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return entries[a].size > entries[b].size; });
    std::atomic<size_t> bad{entries.size()};
    RunIndexedJobs(order.size(), WorkerThreadCount(), [&](size_t i) {
        thread_local Scratch scratch;
        const SurveyEntry& e = entries[order[i]];
        Md5Context ctx;
        Md5Init(&ctx);
        bool ok = ReadEntry(file, e, scratch);
        const unsigned char* in = scratch.in.data();
        if (ok && e.method == kStored) {
            ok = e.compressedSize == e.size && libdeflate_crc32(0, in, e.size) == e.crc;
            if (ok) TakeMd5(in, e.size, md5, &ctx);
        } else if (ok && e.method == kDeflated) {
            ok = decoder == Decoder::Libdeflate ? InflateLibdeflate(in, e, md5, &ctx, scratch)
                                                : InflateIsal(in, e, md5, &ctx, scratch, decoder == Decoder::IsalWhole);
        } else {
            ok = false;
        }
        uint8_t digest[16];
        Md5Final(&ctx, digest);
        if (!ok) bad = order[i];
    });
    if (bad != entries.size()) {
        *reason = "entry " + entries[bad].name + " does not inflate to its size and CRC-32";
        return false;
    }
    return true;
}
