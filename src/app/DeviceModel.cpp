#include "app/DeviceModel.h"

namespace {
constexpr const wchar_t* kFtpPassword = L"739204";
}

const DeviceModel kDeviceModels[kModelCount] = {
    {L"M2410", 0x1213, kConnectionUsb, true, false, true, nullptr, nullptr},
    {L"M2450", 0x1214, kConnectionEthernet, true, true, true, nullptr, nullptr},
    {L"M3710", 0x1217, kConnectionEthernet, false, true, false, L"admin", kFtpPassword},
    {L"M3750", 0x1218, kConnectionEthernet, false, true, false, L"admin", kFtpPassword},
    {L"VK1200", 0x121A, kConnectionEthernet, false, true, false, L"update", kFtpPassword},
    {L"HTR940", 0x121E, kConnectionUsb, true, false, true, nullptr, nullptr},
    {L"M2480", 0x121D, kConnectionUsb, true, false, true, nullptr, nullptr},
};

const DeviceModel* FindDeviceModel(int index) {
    return index >= 0 && index < kModelCount ? &kDeviceModels[index] : nullptr;
}
