#pragma once
// The main window: a borderless skinned dialog in which the operator picks
// the terminal model, the connection, the pack kind and the pack, types the
// terminal's address for Ethernet, and starts the upgrade. It holds the
// selection, keeps the terminal disk list and the disk combo box up to
// date, decides when "开始升级" may be pressed, and paints itself.
#include <atomic>
#include <memory>
#include <vector>
#include <string>

#include "app/DiskListRefresh.h"
#include "device/StartClient.h"
#include "app/UpgradeSelection.h"
#include "device/FtpClient.h"
#include "progress/ScrollDlg.h"
#include "skin/ButtonEx.h"
#include "skin/GdiHandles.h"
#include "skin/GdiplusInclude.h"
#include "skin/PngResource.h"
#include "skin/IPAddressCtrlEx.h"
#include "skin/RadioButtonEx.h"
#include "ui/Dialog.h"
#include "ui/Messages.h"

class CUpgradeDialogEx : public CDialog {
public:
    explicit CUpgradeDialogEx(CWnd* parent);
    ~CUpgradeDialogEx() override;

    // The selection the upgrade run reads.

    // Applies the current model's row to the selection and the window.
    virtual void ApplyModelSettings();
    // Rebuilds the terminal disk list and the combo box on this thread.
    void RefreshTerminalDisks();
    // Enables "开始升级" exactly when an upgrade may start.
    void UpdateStartButton();

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(const CommandMessage& message) override;

private:
    struct Command;
    static const std::vector<Command>& Commands();
    // Posted by the background disk refresh when its disks are ready.
    static constexpr UINT kDisksReadyMessage = WM_APP + 1;

    void BindControls();
    void PlaceControls();
    void KeepComboAtItsPixelSize();
    void SkinControls();

    void OnChooseModel(int index);
    void OnSelectUsb();
    void OnSelectEthernet();
    void OnChoosePackKind(int kind);
    void OnLoadPack();
    void OnAddressChanged();
    void OnStartUpgrade();
    void OnDiskChosen();
    void OnDisksReady();
    void OnDeviceChange(const DeviceChangeMessage& change);
    void ShowDisksInCombo();
    void ShowConnectionControls(bool usb);

    // Paints the whole window picture into `dc` through a memory bitmap.
    void PaintWindow(HDC dc);
    void DrawPicture(Gdiplus::Graphics& g);

    UpgradeSelection m_selection;
    std::wstring m_versionText;
    int m_changeGuard = 0;
    bool m_running = false;  // an upgrade runs: "开始升级" stays disabled

    std::shared_ptr<COpenDisk> m_discovery;
    DiskListRefresher m_refresher;
    CFtpClient m_ftp;
    CStartClient m_startClient;
    std::unique_ptr<CScrollDlg> m_progress;

    CRadioButtonEx m_modelRadios[kModelCount];
    CRadioButtonEx m_usbRadio, m_ethernetRadio;
    CRadioButtonEx m_kindRadios[3];
    CIPAddressCtrlEx m_address;
    CButtonEx m_loadButton, m_startButton, m_minimizeButton, m_closeButton;

    std::unique_ptr<Gdiplus::Font> m_titleFont;
    std::unique_ptr<Gdiplus::Font> m_labelFont;
    std::unique_ptr<Gdiplus::Font> m_versionFont;
    PngSet m_images;
    std::unique_ptr<Gdiplus::Bitmap> m_iconBitmap;
    GdiObject<HFONT> m_comboFont;  // the disk combo box's font above 96 DPI
};
