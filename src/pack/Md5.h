#pragma once
// MD5 message digest (RFC 1321): the standard initial state, rounds, padding
// and length encoding.
#include <cstddef>
#include <cstdint>

struct Md5Context {
    uint32_t state[4];
    uint32_t count[2];  // message length in bits, low word first
    uint8_t buffer[64];
};

void Md5Init(Md5Context* ctx);
void Md5Update(Md5Context* ctx, const void* data, size_t length);
// Writes the 16 digest bytes and wipes the context.
void Md5Final(Md5Context* ctx, uint8_t digest[16]);
