#include "app/DeviceModel.h"

namespace {
constexpr const wchar_t* kFtpPassword = L"739204";
constexpr const wchar_t* kStorageCard = L"\\Storage Card";

// The variants deliver like the model they stand in for.
struct Variant {
    int index;
    int base;
    DeviceModel row;
};
const Variant kVariants[] = {
    {kVariantM3710S5, 2,
     {L"M3710S5", 0x1217, kConnectionEthernet, false, true, false, L"admin", kFtpPassword, kStorageCard, false, 0}},
    {kVariantVK1500, 6,
     {L"VK1500", 0x121D, kConnectionUsb, true, false, true, nullptr, nullptr, kStorageCard, false, 0}},
};
}  // namespace

const DeviceModel kDeviceModels[kModelCount] = {
    {L"M2410", 0x1213, kConnectionUsb, true, false, true, nullptr, nullptr, kStorageCard, false, 0},
    {L"M2450", 0x1214, kConnectionEthernet, true, true, true, nullptr, nullptr, L"", false, 0},
    {L"M3710", 0x1217, kConnectionEthernet, false, true, false, L"admin", kFtpPassword, kStorageCard, false,
     kVariantM3710S5},
    {L"M3750", 0x1218, kConnectionEthernet, false, true, false, L"admin", kFtpPassword, L"\\HardDisk", false, 0},
    {L"VK1200", 0x121A, kConnectionEthernet, false, true, false, L"update", kFtpPassword, L"", true, 0},
    {L"HTR940", 0x121E, kConnectionUsb, true, false, true, nullptr, nullptr, kStorageCard, false, 0},
    {L"M2480", 0x121D, kConnectionUsb, true, false, true, nullptr, nullptr, kStorageCard, false, kVariantVK1500},
};

const DeviceModel* FindDeviceModel(int index) {
    return index >= 0 && index < kModelCount ? &kDeviceModels[index] : nullptr;
}

const DeviceModel* FindRunModel(int index) {
    if (const DeviceModel* row = FindDeviceModel(index)) return row;
    for (const Variant& v : kVariants)
        if (v.index == index) return &v.row;
    return nullptr;
}

int BaseModelIndex(int index) {
    if (FindDeviceModel(index)) return index;
    for (const Variant& v : kVariants)
        if (v.index == index) return v.base;
    return -1;
}
