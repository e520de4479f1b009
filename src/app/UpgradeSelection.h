#pragma once
// Everything the operator has chosen for the next upgrade, with the rules
// that act on it. Portable: the main dialog calls these and mirrors the
// result on its controls.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/DeviceModel.h"
#include "app/TerminalDiskList.h"


struct UpgradeSelection {
    UpgradeSelection();
    ~UpgradeSelection();

    std::wstring displayedPackPath;  // what the window shows of the pack path
    std::wstring packPath;           // full path of the chosen .zip
    std::wstring ftpUser;
    std::wstring ftpPassword;
    std::wstring terminalAddress = L"0.0.0.0";
    int ftpPort = 21;
    TerminalDiskList terminalDisks;  // in the order of the disk combo box, with the chosen entry
    std::wstring selectedDiskPath;           // set by the upgrade run
    uint16_t usbVendorId = kTerminalVendorId;
    uint16_t usbProductId = 0x1213;
    std::wstring modelName = L"M2410";
    int modelIndex = 0;
    ConnectionMode connectionMode = kConnectionUsb;
    bool addressEntered = false;
    bool addressValid = false;
    PackKind packKind = kPackApplication;

    // Rebuilds terminalDisks for the current USB identity (the dialog's
    // disk list refresh). May be empty in tests.
    using RefreshDisks = std::function<void(UpgradeSelection&)>;

    // The operator picks model `index` (0..6): credentials of rows that
    // carry them, then ApplyModelSettings. Returns the applied row, or null
    // when `index` is no model row.
    const DeviceModel* ChooseModel(int index, const RefreshDisks& refresh);
    // The first half of ChooseModel: the model index and the row's
    // credentials, without applying the row. Null (nothing changed) when
    // `index` is no model row.
    const DeviceModel* SelectModel(int index);

    // Applies the row of the current model index; variants (7, 8) keep
    // everything but the address-entered flag. Returns the applied row or null.
    const DeviceModel* ApplyModelSettings(const RefreshDisks& refresh);

    // A pack chosen in the chooser; an empty path (cancel) changes nothing.
    void TakePackPath(const std::wstring& path);

    // Whether "开始升级" may be pressed.
    bool CanStart() const;

    // A copy of the chosen terminal disk; false when there is none.
    bool SelectedDisk(UsbDiskInfo* disk) const { return terminalDisks.Selected(disk); }
};

// The pack path as the window shows it: at most 35 characters, then "...".
std::wstring ShortenPackPath(const std::wstring& path);
