#include "app/UpgradeSelection.h"

#include "pack/FolderMD5Check.h"  // the owned manifest checker is destroyed here

namespace {
constexpr size_t kShownPathLength = 35;
}

UpgradeSelection::UpgradeSelection() = default;
UpgradeSelection::~UpgradeSelection() = default;

const DeviceModel* UpgradeSelection::SelectModel(int index) {
    const DeviceModel* row = FindDeviceModel(index);
    if (!row) return nullptr;
    modelIndex = index;
    if (row->login.user) {
        ftpUser = row->login.user;
        ftpPassword = row->login.password;
    }
    return row;
}

const DeviceModel* UpgradeSelection::ChooseModel(int index, const RefreshDisks& refresh) {
    if (!SelectModel(index)) return nullptr;
    return ApplyModelSettings(refresh);
}

const DeviceModel* UpgradeSelection::ApplyModelSettings(const RefreshDisks& refresh) {
    addressEntered = terminalAddress != L"0.0.0.0";
    const DeviceModel* row = FindDeviceModel(modelIndex);
    if (!row) return nullptr;
    connectionMode = row->defaultConnection;
    usbVendorId = kTerminalVendorId;
    usbProductId = row->productId;
    if (row->HasUsb() && refresh) refresh(*this);
    modelName = row->name;
    return row;
}

void UpgradeSelection::TakePackPath(const std::wstring& path) {
    if (path.empty()) return;
    packPath = path;
    displayedPackPath = ShortenPackPath(path);
}

bool UpgradeSelection::CanStart() const {
    if (connectionMode == kConnectionUsb) return !terminalDisks.Empty() && !displayedPackPath.empty();
    return addressEntered && addressValid && !displayedPackPath.empty();
}

std::wstring ShortenPackPath(const std::wstring& path) {
    if (path.size() <= kShownPathLength) return path;
    return path.substr(0, kShownPathLength) + L"...";
}
