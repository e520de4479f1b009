#pragma once
// The data of one entry, read raw from the archive and inflated here, so
// that an entry passes only when its stream holds exactly what its headers
// say: the declared size, the CRC-32, and nothing after the stream's end.
#include <cstddef>
#include <functional>
#include <vector>

#include "platform/FileCloser.h"

#include "pack/Unzip.h"
#include "pack/ZipExtraction.h"

struct libdeflate_decompressor;

// Deflated entries up to this size (compressed and uncompressed) are read
// and inflated whole with libdeflate; larger ones stream through zlib.
constexpr uint64_t kWholeEntryCap = 4ull * 1024 * 1024;

// What one thread reuses from entry to entry: a stream on the archive of
// its own, the whole-entry buffers (each grows to the largest entry below
// the cap it has met) and a decompressor.
class EntryScratch {
public:
    EntryScratch() = default;
    ~EntryScratch();
    EntryScratch(const EntryScratch&) = delete;
    EntryScratch& operator=(const EntryScratch&) = delete;

    libdeflate_decompressor* Decompressor();  // null when it cannot be allocated
    // The entries' compressed bytes are read here by offset (never through
    // the stream's buffer), where the survey found them, rather than
    // through minizip, which copies raw data byte by byte and checksums it
    // on the way.
    platform::FilePtr archive;
    std::vector<unsigned char> in, out;

private:
    libdeflate_decompressor* m_decompressor = nullptr;
};

using EntrySink = std::function<UnzipOutcome(const char*, size_t)>;

// Hands the entry's bytes to `sink` in order; a sink result other than 0
// ends the copy with that result. The bytes are read raw from
// `scratch.archive` where the survey found the entry's data (so every
// build reads the sizes and offsets the survey read, Zip64 fields
// included, whatever its minizip makes of them). An entry inflated whole
// reaches the sink only once its size and CRC-32 are known to be right;
// any entry the whole-entry way refuses is streamed again from its start,
// so a damaged entry always gets the streaming way's reason.
UnzipOutcome CopyEntryData(const SurveyEntry& entry, EntryScratch& scratch, const EntrySink& sink);
