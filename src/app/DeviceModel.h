#pragma once
// The operator's choices as numbers, and the fixed table of terminal models.
#include <cstdint>
#include <string>

#include "device/UsbDiskInfo.h"

enum PackKind : int32_t { kPackApplication = 0, kPackSystem = 1, kPackTool = 2 };

enum ConnectionMode : int32_t { kConnectionEthernet = 0, kConnectionUsb = 1 };

// Which connection radios a model enables. A model with USB also has its
// disk list rebuilt when it is chosen.
enum class OfferedConnections : uint8_t { UsbOnly, EthernetOnly, UsbAndEthernet };

// How a delivered pack is started: by its flag file, or (VK1200) by the
// 9-byte command to port 3002.
enum class Starts : uint8_t { OnFlagFile, OnCommand };

// The terminals' FTP login; a model without one keeps whatever an earlier
// model set (user null).
struct FtpLogin {
    const wchar_t* user;
    const wchar_t* password;
};
inline constexpr wchar_t kTerminalFtpPassword[] = L"739204";

// A terminal model and everything that differs between models: how its
// disk is recognised, where and how a pack is
// delivered, and the variant a pack may name instead of it.
struct DeviceModel {
    const wchar_t* name;
    uint16_t productId;                 // of its USB disk (vendor kTerminalVendorId)
    ConnectionMode defaultConnection;
    OfferedConnections connections;
    FtpLogin login;
    const wchar_t* remoteBase;          // the terminal's FTP folder for uploads ("" the root)
    Starts starts;
    int variantIndex;                   // the variant a pack may name instead (0: none)

    bool HasUsb() const { return connections != OfferedConnections::EthernetOnly; }
    bool HasEthernet() const { return connections != OfferedConnections::UsbOnly; }
    bool StartsOnCommand() const { return starts == Starts::OnCommand; }
};

constexpr uint16_t kTerminalVendorId = 0x04CC;
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

// Index of the model named exactly `name` among the seven; -1 for any other.
int ModelIndexByName(const std::wstring& name);
