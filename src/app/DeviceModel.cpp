#include "app/DeviceModel.h"

namespace {
constexpr const wchar_t* kStorageCard = L"\\Storage Card";
constexpr FtpLogin kKeepLogin = {nullptr, nullptr};
constexpr FtpLogin kAdmin = {L"admin", kTerminalFtpPassword};
constexpr FtpLogin kUpdate = {L"update", kTerminalFtpPassword};

using C = OfferedConnections;

// The variants deliver like the model they stand in for.
struct Variant {
    int index;
    int base;
    DeviceModel row;
};
const Variant kVariants[] = {
    {kVariantM3710S5, 2,
     {L"M3710S5", 0x1217, kConnectionEthernet, C::EthernetOnly, kAdmin, kStorageCard, Starts::OnFlagFile, 0}},
    {kVariantVK1500, 6,
     {L"VK1500", kAnyUsbDiskProductId, kConnectionUsb, C::UsbOnly, kKeepLogin, kStorageCard,
      Starts::OnFlagFile, 0}},
};
}  // namespace

//  name       USB id  default connection   radios
//             login        remote folder    started by        variant
const DeviceModel kDeviceModels[kModelCount] = {
    {L"M2410", 0x1213, kConnectionUsb, C::UsbOnly,
     kKeepLogin, kStorageCard, Starts::OnFlagFile, 0},
    {L"M2450", 0x1214, kConnectionEthernet, C::UsbAndEthernet,
     kAdmin, L"", Starts::OnFlagFile, 0},
    {L"M3710", 0x1217, kConnectionEthernet, C::EthernetOnly,
     kAdmin, kStorageCard, Starts::OnFlagFile, kVariantM3710S5},
    {L"M3750", 0x1218, kConnectionEthernet, C::EthernetOnly,
     kAdmin, L"\\HardDisk", Starts::OnFlagFile, 0},
    {L"VK1200", 0x121A, kConnectionEthernet, C::EthernetOnly,
     kUpdate, L"", Starts::OnCommand, 0},
    {L"HTR940", 0x121E, kConnectionUsb, C::UsbOnly,
     kKeepLogin, kStorageCard, Starts::OnFlagFile, 0},
    {L"M2480", kAnyUsbDiskProductId, kConnectionUsb, C::UsbOnly,
     kKeepLogin, kStorageCard, Starts::OnFlagFile, kVariantVK1500},
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

int ModelIndexByName(const std::wstring& name) {
    for (int i = 0; i < kModelCount; ++i)
        if (name == kDeviceModels[i].name) return i;
    return -1;
}
