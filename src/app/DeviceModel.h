#pragma once
// The operator's choices as numbers, and the fixed table of terminal models.
#include <cstdint>

enum PackKind : int32_t { kPackApplication = 0, kPackSystem = 1, kPackTool = 2 };

enum ConnectionMode : int32_t { kConnectionEthernet = 0, kConnectionUsb = 1 };

// A terminal model and everything that differs between models: how the
// window offers it, how its disk is recognised, where and how a pack is
// delivered, and the variant a pack may name instead of it.
struct DeviceModel {
    const wchar_t* name;
    uint16_t productId;
    ConnectionMode defaultConnection;
    bool usbChoice;           // the USB radio is enabled for this model
    bool ethernetChoice;      // the Ethernet radio is enabled
    bool refreshesDiskList;   // choosing the model rebuilds the terminal disk list
    const wchar_t* ftpUser;   // null: keep whatever an earlier model set
    const wchar_t* ftpPassword;
    const wchar_t* remoteBase;  // the terminal's FTP folder for uploads ("" the root)
    bool startCommand;          // starts on the 9-byte command instead of a flag file
    int variantIndex;           // the variant a pack may name instead (0: none)
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

// Row of any model the run may work with: the seven, and the variants 7
// and 8 (which deliver like their base models). Null for other numbers.
const DeviceModel* FindRunModel(int index);

// The model a variant stands in for (itself for the seven); -1 for other numbers.
int BaseModelIndex(int index);
