#pragma once
// The least a pack check must do: read every entry's compressed bytes once
// (by offset, from the page cache), inflate them in memory, check the size
// and CRC-32 and, when asked, take the MD5; nothing is written. One thread
// per core, entries largest first. Used to time deflate decoders against
// each other and as the check's floor.
#include <string>

enum class Decoder {
    Libdeflate,  // libdeflate_deflate_decompress_ex, whole entry, then libdeflate_crc32
    Isal,        // isal_inflate streaming into a 256 KiB buffer, CRC-32 on the way
    IsalWhole,   // isal_inflate_stateless, whole entry, CRC-32 on the way
};

// False for a name other than libdeflate, isal or isal-whole.
bool ParseDecoder(const std::string& name, Decoder* decoder);
const char* DecoderName(Decoder decoder);

// False with a reason when the pack cannot be read or an entry does not
// inflate to its declared size and CRC-32.
bool InflatePack(const std::string& pack, Decoder decoder, bool md5, std::string* reason);
