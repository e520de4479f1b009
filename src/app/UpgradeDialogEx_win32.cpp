#include "app/UpgradeDialogEx.h"

#include <dbt.h>

#include <functional>
#include <vector>

#include "app/AddressRule.h"
#include "app/LocalAddress.h"
#include "app/MainDialogLayout.h"
#include "app/ScrollDlgProgress.h"
#include "app/RecordingProgressSink.h"
#include "app/RunRecord.h"
#include "app/RunTexts.h"
#include "app/ShellFileSystem.h"
#include "app/UpgradeRun.h"
#include "app/UpgradeLog.h"
#include "app/UpgradeThread.h"
#include "app/VersionText.h"
#include "chooser/SelectFileDlg.h"
#include "device/DiskRecording.h"
#include "platform/Environment.h"
#include "res/resource.h"
#include "signature/TrustedKeys.h"
#include "skin/Fonts.h"
#include "skin/GdiHandles.h"
#include "skin/OwnPaint.h"
#include "skin/PngResource.h"
#include "ui/PixelLayout.h"

namespace {

constexpr int kKindRadioIds[3] = {IDC_KIND_APPLICATION, IDC_KIND_SYSTEM, IDC_KIND_TOOL};

// The address control's fields are edits that refuse text wider than
// themselves. In a field a quarter of the control wide, the control's usual
// 20-pixel face can leave no room for a third digit ("198" became "19"), so
// the face shrinks until three digits fit.
void FitAddressFont(CIPAddressCtrlEx& address) {
    HWND field = ::GetWindow(address, GW_CHILD);
    if (!field) return;
    RECT r;
    ::GetClientRect(field, &r);
    const std::wstring face = address.GetFaceName();
    for (int height = address.GetFontHeight(); height > 8; --height) {
        address.SetFieldFont(height, face.c_str());
        // A new font brings its own margins; the fields need every pixel.
        for (HWND f = field; f; f = ::GetWindow(f, GW_HWNDNEXT))
            ::SendMessageW(f, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
        WindowDC dc(field);
        HFONT font = reinterpret_cast<HFONT>(::SendMessageW(field, WM_GETFONT, 0, 0));
        SelectScope select(dc.Get(), font);
        SIZE text{};
        ::GetTextExtentPoint32W(dc.Get(), L"888", 3, &text);
        if (text.cx + 2 <= r.right - r.left) return;
    }
}

// Disk discovery of the real machine, or of a recording named by the
// environment (the demo and the whole-program tests).
std::shared_ptr<COpenDisk> MakeDiskDiscovery() {
    wchar_t path[1024];
    wchar_t name[64];
    ::MultiByteToWideChar(CP_ACP, 0, kDiskRecordingVariable, -1, name, 64);
    DWORD n = ::GetEnvironmentVariableW(name, path, 1024);
    if (n > 0 && n < 1024) return std::make_shared<COpenDisk>(MakeRecordingFileDiskSystem(path));
    return std::make_shared<COpenDisk>();
}

void SetButtonImages(CButtonEx& button, UINT normal, UINT disabled, UINT hover, UINT pressed) {
    button.SetNormalImage(normal, PngType());
    if (disabled) button.SetDisabledImage(disabled, PngType());
    button.SetHoverImage(hover, PngType());
    button.SetPressedImage(pressed, PngType());
}

}  // namespace

CUpgradeDialogEx::CUpgradeDialogEx(CWnd* parent)
    : CDialog(IDD_UPGRADE_DIALOG, parent),
      m_discovery(MakeDiskDiscovery()),
      m_refresher(m_discovery),
      m_titleFont(CreateSkinFont(16.0f, Gdiplus::UnitPixel)),
      m_labelFont(CreateSkinFont(14.0f, Gdiplus::UnitPixel)),
      m_versionFont(CreateSkinFont(12.0f, Gdiplus::UnitPixel)),
      m_images{IDP_MAIN_BACKGROUND, IDP_DECORATION, IDP_ADDRESS_VALID, IDP_ADDRESS_INVALID, IDP_PATH_FIELD,
               IDP_ADDRESS_FIELD} {}

CUpgradeDialogEx::~CUpgradeDialogEx() = default;

void CUpgradeDialogEx::BindControls() {
    for (int i = 0; i < kModelCount; ++i) m_modelRadios[i].SubclassDlgItem(layout::kModelRadios[i].controlId, this);
    m_usbRadio.SubclassDlgItem(IDC_CONNECTION_USB, this);
    m_ethernetRadio.SubclassDlgItem(IDC_CONNECTION_ETHERNET, this);
    for (int i = 0; i < 3; ++i) m_kindRadios[i].SubclassDlgItem(kKindRadioIds[i], this);
    // Its fields are laid out once, at the size the template gives it.
    RemakeAt96Dpi(GetDlgItem(IDC_TERMINAL_ADDRESS));
    m_address.SubclassDlgItem(IDC_TERMINAL_ADDRESS, this);
    FitAddressFont(m_address);
    m_loadButton.SubclassDlgItem(IDC_LOAD_PACK, this);
    m_startButton.SubclassDlgItem(IDC_START_UPGRADE, this);
    m_minimizeButton.SubclassDlgItem(IDC_MINIMIZE, this);
    m_closeButton.SubclassDlgItem(IDC_CLOSE, this);
}

void CUpgradeDialogEx::PlaceControls() {
    for (const layout::Place& p : layout::kPlaces) ::MoveWindow(GetDlgItem(p.id), p.x, p.y, p.w, p.h, FALSE);
    const UINT keepSize = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    ::SetWindowPos(GetDlgItem(IDC_TERMINAL_DISK), nullptr, layout::kDiskComboAt.x, layout::kDiskComboAt.y, 0, 0,
                   keepSize);
    ::SetWindowPos(m_address, nullptr, layout::kAddressAt.x, layout::kAddressAt.y, 0, 0, keepSize);
    KeepComboAtItsPixelSize();
}

// The window is fixed pixel art; a system at more than 96 DPI that does not
// stretch it (Wine) still grows what is sized in dialog units and points.
// The disk combo box is both: it is brought back to its 96-DPI width and
// font so it stays inside its panel.
void CUpgradeDialogEx::KeepComboAtItsPixelSize() {
    HWND combo = GetDlgItem(IDC_TERMINAL_DISK);
    const int dpi = ScreenDpi();
    if (!combo || dpi <= 96) return;
    RECT r;
    ::GetWindowRect(combo, &r);
    ::SetWindowPos(combo, nullptr, 0, 0, ::MulDiv(r.right - r.left, 96, dpi), r.bottom - r.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    LOGFONTW font{};
    HFONT current = reinterpret_cast<HFONT>(::SendMessageW(combo, WM_GETFONT, 0, 0));
    if (!current || !::GetObjectW(current, sizeof font, &font)) return;
    font.lfHeight = ::MulDiv(font.lfHeight, 96, dpi);
    m_comboFont.Reset(::CreateFontIndirectW(&font));
    if (m_comboFont) ::SendMessageW(combo, WM_SETFONT, reinterpret_cast<WPARAM>(m_comboFont.Get()), TRUE);
}

void CUpgradeDialogEx::SkinControls() {
    SetButtonImages(m_startButton, IDP_START_NORMAL, IDP_START_DISABLED, IDP_START_HOVER, IDP_START_PRESSED);
    SetButtonImages(m_loadButton, IDP_LOAD_NORMAL, IDP_LOAD_DISABLED, IDP_LOAD_HOVER, IDP_LOAD_PRESSED);
    SetButtonImages(m_minimizeButton, IDP_MIN_NORMAL, 0, IDP_MIN_HOVER, IDP_MIN_PRESSED);
    SetButtonImages(m_closeButton, IDP_CLOSE_NORMAL, 0, IDP_CLOSE_HOVER, IDP_CLOSE_PRESSED);
}

BOOL CUpgradeDialogEx::OnInitDialog() {
    BindControls();
    HICON icon = static_cast<HICON>(
        ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    if (icon) m_iconBitmap.reset(Gdiplus::Bitmap::FromHICON(icon));

    SetWindowText(L"电能质量终端升级工具");
    m_startButton.EnableWindow(TRUE);
    m_loadButton.EnableWindow(TRUE);

    PlaceControls();
    ::ShowWindow(GetDlgItem(IDC_TERMINAL_DISK), SW_SHOW);
    m_address.ShowWindow(SW_HIDE);
    m_ethernetRadio.EnableWindow(FALSE);

    m_progress = std::make_unique<CScrollDlg>(this);

    RefreshTerminalDisks();

    m_kindRadios[0].SetCheck(1);
    m_kindRadios[1].SetCheck(0);
    m_kindRadios[2].SetCheck(0);
    m_ethernetRadio.SetCheck(0);
    m_usbRadio.SetWindowText(L"USB");
    m_usbRadio.SetCheck(1);

    SkinControls();
    m_versionText = ExecutableVersionText();

    for (int i = 0; i < kModelCount; ++i) {
        CRadioButtonEx& radio = m_modelRadios[i];
        radio.RemoveBackgroundImage();
        radio.SetCheckedImage(layout::kModelRadios[i].checkedImage, PngType());
        radio.SetUncheckedImage(layout::kModelRadios[i].uncheckedImage, PngType());
        radio.MoveWindow(layout::kModelX[i], layout::kModelY, layout::kModelW, layout::kModelH, FALSE);
    }
    m_modelRadios[0].SetCheck(1);

    if (m_images[IDP_MAIN_BACKGROUND]) {
        const int w = static_cast<int>(m_images[IDP_MAIN_BACKGROUND]->GetWidth()), h = static_cast<int>(m_images[IDP_MAIN_BACKGROUND]->GetHeight());
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowShape(m_hWnd, GdiObject<HRGN>(::CreateRoundRectRgn(0, 0, w + 1, h + 1, 4, 4)));
    }
    CenterWindow();

    Invalidate(FALSE);
    m_changeGuard = 0;
    return TRUE;
}

// ---- the selection and its rules -------------------------------------------

void CUpgradeDialogEx::ApplyModelSettings() {
    const DeviceModel* row = m_selection.ApplyModelSettings([this](UpgradeSelection&) { RefreshTerminalDisks(); });
    if (row) {
        m_usbRadio.EnableWindow(row->HasUsb());
        m_ethernetRadio.EnableWindow(row->HasEthernet());
        ShowConnectionControls(row->defaultConnection == kConnectionUsb);
    }
    const bool usb = m_selection.connectionMode == kConnectionUsb;
    m_usbRadio.SetCheck(usb ? 1 : 0);
    m_ethernetRadio.SetCheck(usb ? 0 : 1);
    // Any change of model may change whether an upgrade can start (an
    // Ethernet model without a valid address must not leave it enabled).
    UpdateStartButton();
    Invalidate(FALSE);
}

void CUpgradeDialogEx::RefreshTerminalDisks() {
    m_selection.terminalDisks.Replace(m_refresher.RefreshNow(m_selection.usbVendorId, m_selection.usbProductId));
    ShowDisksInCombo();
    UpdateStartButton();
}

void CUpgradeDialogEx::ShowDisksInCombo() {
    HWND combo = GetDlgItem(IDC_TERMINAL_DISK);
    ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const UsbDiskInfo& disk : m_selection.terminalDisks.Snapshot())
        ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(disk.volume.szDrivePath));
    if (::SendMessageW(combo, CB_GETCOUNT, 0, 0) > 0) {
        ::SendMessageW(combo, CB_SETCURSEL, 0, 0);
        m_selection.terminalDisks.Select(0);
    }
}

void CUpgradeDialogEx::UpdateStartButton() {
    if (!m_running && m_selection.CanStart()) {
        m_startButton.EnableWindow(TRUE);
        m_startButton.SetState(kButtonNormal);
    } else {
        m_startButton.EnableWindow(FALSE);
    }
    m_startButton.Invalidate(FALSE);
    Invalidate(FALSE);
}

void CUpgradeDialogEx::ShowConnectionControls(bool usb) {
    ::ShowWindow(GetDlgItem(IDC_TERMINAL_DISK), usb ? SW_SHOW : SW_HIDE);
    m_address.ShowWindow(usb ? SW_HIDE : SW_SHOW);
}

void CUpgradeDialogEx::OnChooseModel(int index) {
    if (!m_selection.SelectModel(index)) return;
    ApplyModelSettings();
}

void CUpgradeDialogEx::OnSelectUsb() {
    m_selection.connectionMode = kConnectionUsb;
    if (!m_refresher.RefreshInBackground(m_hWnd, kDisksReadyMessage, m_selection.usbVendorId,
                                         m_selection.usbProductId))
        RefreshTerminalDisks();  // no thread to spare: refresh here
    ShowConnectionControls(true);
    UpdateStartButton();
    Invalidate(FALSE);
}

void CUpgradeDialogEx::OnDisksReady() {
    std::vector<UsbDiskInfo> disks;
    if (!m_refresher.TakeResult(&disks)) return;
    m_selection.terminalDisks.Replace(std::move(disks));
    ShowDisksInCombo();
    UpdateStartButton();
}

void CUpgradeDialogEx::OnSelectEthernet() {
    m_selection.connectionMode = kConnectionEthernet;
    ShowConnectionControls(false);
    UpdateStartButton();
    Invalidate(FALSE);
}

void CUpgradeDialogEx::OnChoosePackKind(int kind) { m_selection.packKind = static_cast<PackKind>(kind); }

void CUpgradeDialogEx::OnDiskChosen() {
    int index = static_cast<int>(::SendMessageW(GetDlgItem(IDC_TERMINAL_DISK), CB_GETCURSEL, 0, 0));
    m_selection.terminalDisks.Select(index);
}

void CUpgradeDialogEx::OnLoadPack() {
    if (std::optional<std::wstring> pack = CSelectFileDlg::Choose(this)) m_selection.TakePackPath(*pack);
    UpdateStartButton();
    Invalidate(FALSE);
}

void CUpgradeDialogEx::OnAddressChanged() {
    if (m_changeGuard > 0) return;
    ++m_changeGuard;
    m_selection.addressEntered = true;
    if (m_address.IsBlank()) {
        m_selection.addressValid = false;
    } else {
        DWORD packed = 0;
        m_address.GetAddress(&packed);
        const AddressOctets octets = {static_cast<uint8_t>(FIRST_IPADDRESS(packed)),
                                      static_cast<uint8_t>(SECOND_IPADDRESS(packed)),
                                      static_cast<uint8_t>(THIRD_IPADDRESS(packed)),
                                      static_cast<uint8_t>(FOURTH_IPADDRESS(packed))};
        ValidateTerminalAddress(m_selection, octets, GetLocalAddress());
    }
    UpdateStartButton();
    Invalidate(FALSE);
    --m_changeGuard;
}

void CUpgradeDialogEx::OnStartUpgrade() {
    if (m_running) return;
    m_running = true;
    m_startButton.EnableWindow(FALSE);
    {
        ScrollDlgProgress window(*m_progress);
        RecordingProgressSink progress(window);  // the upgrade log's copy of every report
        ShellFileSystem files;
        // The run works from a copy; its outcome (a variant model, the disk
        // used) comes back here once the worker has ended.
        RunRequest request = MakeRunRequest(m_selection);
        request.trustFile = GetProgramFolder() + L"\\" + kTrustFileName;
        const std::string startedAt = platform::UtcTimeText();
        CUpgradeRun run(request, {progress, m_ftp, m_startClient, files}, GetProgramFolder());
        // The record is written on the worker the moment the run ends,
        // before the banner waits for Enter (a PC switched off at the banner
        // still has it); a log that cannot be written never holds the run
        // up or changes its result.
        run.OnEnded([&](const RunOutcome& outcome) {
            AppendUpgradeRecord(DefaultUpgradeLogPath(),
                                MakeRunRecord(request, outcome, progress, m_versionText, startedAt));
        });
        UpgradeJob job;
        job.run = &run;
        const bool started = RunUpgradeWithWindow(*m_progress, job) != -1;
        // A run whose thread never started touched nothing and leaves no
        // record; one whose window never came up is recorded here.
        if (started && !job.ran) {
            UpgradeRecord record = StartRunRecord(request, m_versionText);
            record.utcTime = startedAt;
            record.result = UpgradeResult::Failure;
            record.finalText = runtext::kNoProgressWindow;
            AppendUpgradeRecord(DefaultUpgradeLogPath(), record);
        }
        if (job.ran) ApplyRunOutcome(m_selection, run.TakeOutcome());
    }
    m_running = false;
    // The rule again rather than a plain enable: a disk may have gone
    // during the run.
    UpdateStartButton();
    m_startButton.UpdateWindow();
}

// A disk volume arrived or went (not a media or network volume, which come
// with flags): the terminal disk list is read again.
void CUpgradeDialogEx::OnDeviceChange(const DeviceChangeMessage& change) {
    const DEV_BROADCAST_VOLUME* volume = change.Volume();
    if (!volume || volume->dbcv_flags != 0) return;
    RefreshTerminalDisks();
}

// ---- messages ----------------------------------------------------------------

// Every command of the window: the control, the notification it acts on,
// and what it does.
struct CUpgradeDialogEx::Command {
    int id;
    WORD code;
    std::function<void(CUpgradeDialogEx&)> run;
};

const std::vector<CUpgradeDialogEx::Command>& CUpgradeDialogEx::Commands() {
    static const std::vector<Command> table = [] {
        std::vector<Command> t = {
            {IDC_CONNECTION_USB, BN_CLICKED, [](CUpgradeDialogEx& d) { d.OnSelectUsb(); }},
            {IDC_CONNECTION_ETHERNET, BN_CLICKED, [](CUpgradeDialogEx& d) { d.OnSelectEthernet(); }},
            {IDC_TERMINAL_DISK, CBN_SELCHANGE, [](CUpgradeDialogEx& d) { d.OnDiskChosen(); }},
            {IDC_TERMINAL_ADDRESS, EN_CHANGE, [](CUpgradeDialogEx& d) { d.OnAddressChanged(); }},
            {IDC_LOAD_PACK, BN_CLICKED, [](CUpgradeDialogEx& d) { d.OnLoadPack(); }},
            {IDC_START_UPGRADE, BN_CLICKED, [](CUpgradeDialogEx& d) { d.OnStartUpgrade(); }},
            {IDC_MINIMIZE, BN_CLICKED, [](CUpgradeDialogEx& d) { ::ShowWindow(d.m_hWnd, SW_MINIMIZE); }},
            {IDC_CLOSE, BN_CLICKED, [](CUpgradeDialogEx& d) { d.EndDialog(IDCANCEL); }},
            {IDOK, BN_CLICKED, [](CUpgradeDialogEx&) {}},  // Enter never ends the dialog
        };
        for (int i = 0; i < kModelCount; ++i)
            t.push_back({layout::kModelRadios[i].controlId, BN_CLICKED,
                         [i](CUpgradeDialogEx& d) { d.OnChooseModel(i); }});
        for (int i = 0; i < 3; ++i)
            t.push_back({kKindRadioIds[i], BN_CLICKED, [i](CUpgradeDialogEx& d) { d.OnChoosePackKind(i); }});
        return t;
    }();
    return table;
}

BOOL CUpgradeDialogEx::OnCommand(const CommandMessage& message) {
    for (const Command& command : Commands()) {
        if (command.id != message.id) continue;
        if (command.code == message.code) command.run(*this);
        return TRUE;
    }
    return CDialog::OnCommand(message);  // IDCANCEL: closing the window (Alt+F4)
}

LRESULT CUpgradeDialogEx::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (HandleOwnPaint(m_hWnd, msg, wParam, [this](HDC dc) { PaintWindow(dc); })) return 0;
    switch (msg) {
        case WM_ERASEBKGND:
            return TRUE;
        case WM_NCHITTEST: {
            LRESULT hit = CDialog::WindowProc(msg, wParam, lParam);
            return hit == HTCLIENT ? HTCAPTION : hit;  // drag the borderless window by its background
        }
        case WM_LBUTTONDOWN:
            SendMessage(WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
            break;
        case WM_DEVICECHANGE:
            OnDeviceChange(CrackDeviceChange(wParam, lParam));
            break;
        case kDisksReadyMessage:
            OnDisksReady();
            return 0;
        default:
            break;
    }
    return CDialog::WindowProc(msg, wParam, lParam);
}

BOOL CUpgradeDialogEx::PreTranslateMessage(MSG* msg) {
    // Enter and Escape would end a dialog; here they do nothing.
    return msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE);
}
