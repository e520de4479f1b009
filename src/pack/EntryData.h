#pragma once
// The data of one entry, read raw through minizip and inflated here, so
// that an entry passes only when its stream holds exactly what its headers
// say: the declared size, the CRC-32, and nothing after the stream's end.
#include <minizip/unzip.h>

#include <cstddef>
#include <functional>

#include "pack/Unzip.h"
#include "pack/ZipExtraction.h"

// Hands the entry's bytes to `sink` in pieces of at most 8192 bytes; a sink
// result other than 0 ends the copy with that result. The entry must be
// the one the archive handle stands on, not yet opened.
UnzipOutcome CopyEntryData(unzFile zip, const SurveyEntry& entry,
                           const std::function<UnzipOutcome(const char*, size_t)>& sink);
