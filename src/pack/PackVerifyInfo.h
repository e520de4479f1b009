#pragma once
// The 1544-byte record of "UpgradePack.verify", laid out as in the file:
// bytes 0-1535 the model name (UTF-16LE, NUL-terminated inside the area),
// bytes 1536-1539 the pack kind (signed 32-bit little-endian), 1540-1543 unused.
#include <cstddef>
#include <cstdint>
#include <string>

struct PackVerifyInfo {
    static constexpr size_t kModelUnits = 768;
    static constexpr size_t kSize = 1544;

    unsigned char bytes[kSize];

    // The text up to the first NUL unit (at most 767 characters).
    std::wstring ModelName() const;
    int32_t PackKind() const;

    // Fills a record for a pack; false when the name does not fit (more than
    // 767 UTF-16 units).
    bool Set(const std::wstring& modelName, int32_t packKind);
};
static_assert(sizeof(PackVerifyInfo) == PackVerifyInfo::kSize, "the record is the file's layout");

extern const wchar_t kVerifyFileName[];  // "UpgradePack.verify"
