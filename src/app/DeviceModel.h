#pragma once
// The operator's choices as numbers, and the fixed table of terminal models.
#include <cstdint>

enum PackKind : int32_t { kPackApplication = 0, kPackSystem = 1, kPackTool = 2 };

enum ConnectionMode : int32_t { kConnectionEthernet = 0, kConnectionUsb = 1 };

struct DeviceModel {
    const wchar_t* name;
    uint16_t productId;
    ConnectionMode defaultConnection;
    bool usbChoice;           // the USB radio is enabled for this model
    bool ethernetChoice;      // the Ethernet radio is enabled
    bool refreshesDiskList;   // choosing the model rebuilds the terminal disk list
    const wchar_t* ftpUser;   // null: keep whatever an earlier model set
    const wchar_t* ftpPassword;
};

constexpr uint16_t kTerminalVendorId = 0x04CC;
// A product id that makes disk discovery list every USB disk.
constexpr uint16_t kAnyUsbDiskProductId = 0x121D;
constexpr int kModelCount = 7;
// Variants reached only through the pack's model match.
constexpr int kVariantM3710S5 = 7;
constexpr int kVariantVK1500 = 8;

// Index = position of the model among the seven model radios.
extern const DeviceModel kDeviceModels[kModelCount];

// Row of a model index, or null for the variant indexes 7 and 8 (and any
// other number).
const DeviceModel* FindDeviceModel(int index);
