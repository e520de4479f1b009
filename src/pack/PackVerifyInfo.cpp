#include "pack/PackVerifyInfo.h"

#include <cstring>

#include "platform/Text.h"

const wchar_t kVerifyFileName[] = L"UpgradePack.verify";

namespace {
constexpr size_t kKindOffset = 1536;
}

std::wstring PackVerifyInfo::ModelName() const {
    std::u16string units;
    for (size_t i = 0; i < kModelUnits; ++i) {
        char16_t u = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        if (u == 0) break;
        units.push_back(u);
    }
    // The last unit of the area is read as well when no NUL came: a record
    // that lacks its terminator still yields a bounded name.
    return platform::Utf16ToWide(units);
}

int32_t PackVerifyInfo::PackKind() const {
    uint32_t v = uint32_t(bytes[kKindOffset]) | (uint32_t(bytes[kKindOffset + 1]) << 8) |
                 (uint32_t(bytes[kKindOffset + 2]) << 16) | (uint32_t(bytes[kKindOffset + 3]) << 24);
    return static_cast<int32_t>(v);
}

bool PackVerifyInfo::Set(const std::wstring& modelName, int32_t packKind) {
    std::u16string units = platform::WideToUtf16(modelName);
    if (units.size() >= kModelUnits) return false;
    std::memset(bytes, 0, sizeof bytes);
    for (size_t i = 0; i < units.size(); ++i) {
        bytes[2 * i] = static_cast<unsigned char>(units[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<unsigned char>(units[i] >> 8);
    }
    uint32_t v = static_cast<uint32_t>(packKind);
    for (int i = 0; i < 4; ++i) bytes[kKindOffset + i] = static_cast<unsigned char>(v >> (8 * i));
    return true;
}
