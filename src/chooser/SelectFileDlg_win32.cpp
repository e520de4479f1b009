#include "chooser/SelectFileDlg.h"

#include <shlobj.h>

#include <cwctype>
#include <vector>

#include "chooser/ChooserRules.h"
#include "chooser/RegistryString.h"
#include "res/resource.h"
#include "ui/PixelLayout.h"
#include "skin/Fonts.h"
#include "skin/GdiHandles.h"
#include "skin/OwnPaint.h"
#include "skin/PngResource.h"
#include "ui/EraseBackground.h"

namespace {
constexpr int kTreeFontHeight = 17;
// Deeper walks stop here: a chain of first sub-folders that loops through
// links would otherwise only end at the path length limit.
constexpr int kMaxFillDepth = 64;

// A FindFirstFileW search, closed on every path.
class FindHandle {
public:
    FindHandle(const std::wstring& pattern, WIN32_FIND_DATAW* data)
        : m_h(::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, data, FindExSearchNameMatch, nullptr, 0)) {}
    ~FindHandle() {
        if (m_h != INVALID_HANDLE_VALUE) ::FindClose(m_h);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    bool Valid() const { return m_h != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAW* data) { return ::FindNextFileW(m_h, data) != FALSE; }

private:
    HANDLE m_h;
};

// Drives without a medium answer with an error instead of the system's
// "no disk" box while this lives.
class QuietDriveErrors {
public:
    QuietDriveErrors() { ::SetThreadErrorMode(SEM_FAILCRITICALERRORS, &m_old); }
    ~QuietDriveErrors() { ::SetThreadErrorMode(m_old, nullptr); }
    QuietDriveErrors(const QuietDriveErrors&) = delete;
    QuietDriveErrors& operator=(const QuietDriveErrors&) = delete;

private:
    DWORD m_old = 0;
};

// The wait cursor until the end of the scope.
class WaitCursor {
public:
    WaitCursor() : m_old(::SetCursor(::LoadCursorW(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { ::SetCursor(m_old); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR m_old;
};

// Counts one FillFolder call in the depth counter for its whole run.
class DepthScope {
public:
    explicit DepthScope(int& depth) : m_depth(depth) { ++m_depth; }
    ~DepthScope() { --m_depth; }
    DepthScope(const DepthScope&) = delete;
    DepthScope& operator=(const DepthScope&) = delete;

private:
    int& m_depth;
};

std::wstring SpecialFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (!::SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE)) return std::wstring();
    return path;
}

constexpr chooser::ChooserNode::Kind kFolder = chooser::ChooserNode::Kind::Folder;
constexpr chooser::ChooserNode::Kind kPack = chooser::ChooserNode::Kind::Pack;

bool IsVisibleSubFolder(const WIN32_FIND_DATAW& entry) {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (entry.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN))
        return false;
    const std::wstring name = entry.cFileName;
    return name != L"." && name != L"..";
}
}  // namespace

CSelectFileDlg::CSelectFileDlg(CWnd* parent)
    : CDialog(IDD_SELECT_FILE_DIALOG, parent), m_background(LoadPngResource(IDP_CHOOSER_BACKGROUND, PngType())) {}

// The window goes before the image list the tree still refers to.
CSelectFileDlg::~CSelectFileDlg() { DestroyWindow(); }

std::optional<std::wstring> CSelectFileDlg::Choose(CWnd* owner) {
    CSelectFileDlg chooser(owner);
    if (!chooser.Create(IDD_SELECT_FILE_DIALOG, owner)) return std::nullopt;
    chooser.CenterWindow(owner);
    chooser.ShowWindow(SW_HIDE);
    chooser.RunModalLoop();
    std::wstring path = chooser.GetSelectedPath();
    chooser.DestroyWindow();
    if (path.empty()) return std::nullopt;
    return path;
}

std::wstring CSelectFileDlg::GetSelectedPath() const { return m_selectedPath; }

BOOL CSelectFileDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    KeepTemplateAt96Dpi(m_hWnd);  // before the buttons take their pixel places
    SkinButtons();
    m_tree.SubclassDlgItem(IDC_CHOOSER_TREE, this);
    m_images.Build(IDI_DRIVE, IDI_FOLDER, IDI_PACK);
    m_tree.SetImageList(m_images.Get(), TVSIL_NORMAL);
    m_tree.SetTextFont(kTreeFontHeight, kPreferredFace);
    FillRoots();
    SelectInitialPath(ReadSelectedPath(m_desktopPath));

    RECT client;
    GetClientRect(&client);
    SetWindowShape(m_hWnd, GdiObject<HRGN>(::CreateRoundRectRgn(4, 4, client.right - 1, client.bottom - 1, 4, 4)));
    return TRUE;
}

void CSelectFileDlg::SkinButtons() {
    m_ok.SubclassDlgItem(IDC_CHOOSER_OK, this);
    m_ok.SetNormalImage(IDP_OK_NORMAL, PngType());
    m_ok.SetHoverImage(IDP_OK_HOVER, PngType());
    m_ok.SetPressedImage(IDP_OK_PRESSED, PngType());
    m_ok.SetDisabledImage(IDP_OK_DISABLED, PngType());
    m_cancel.SubclassDlgItem(IDC_CHOOSER_CANCEL, this);
    m_cancel.SetNormalImage(IDP_CANCEL_NORMAL, PngType());
    m_cancel.SetHoverImage(IDP_CANCEL_HOVER, PngType());
    m_cancel.SetPressedImage(IDP_CANCEL_PRESSED, PngType());
    m_cancel.SetDisabledImage(IDP_CANCEL_DISABLED, PngType());
    m_close.SubclassDlgItem(IDC_CHOOSER_CLOSE, this);
    m_close.SetNormalImage(IDP_CHOOSER_CLOSE_NORMAL, PngType());
    m_close.SetHoverImage(IDP_CHOOSER_CLOSE_HOVER, PngType());
    m_close.SetPressedImage(IDP_CHOOSER_CLOSE_PRESSED, PngType());
    ::SetWindowPos(m_close.GetSafeHwnd(), nullptr, 348, 7, 24, 28, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Desktop and Documents first, then every drive in the system's order. The
// root level keeps this order (it is never sorted).
void CSelectFileDlg::FillRoots() {
    QuietDriveErrors quiet;
    m_tree.SendMessage(WM_SETREDRAW, FALSE);
    // Each goes to the top, so "桌面" ends up above "我的文档". A special
    // folder the system cannot name is left out.
    const std::wstring documents = SpecialFolder(CSIDL_PERSONAL);
    if (!documents.empty())
        FillFolder(TVI_ROOT, chooser::RootNode(chooser::kDocumentsText, documents), 0, FillMode::FirstPass);
    m_desktopPath = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
    if (!m_desktopPath.empty())
        FillFolder(TVI_ROOT, chooser::RootNode(chooser::kDesktopText, m_desktopPath), 0, FillMode::FirstPass);

    wchar_t drives[MAX_PATH + 1] = {};
    const DWORD length = ::GetLogicalDriveStringsW(MAX_PATH, drives);
    if (length > 0 && length <= MAX_PATH) {
        for (const wchar_t* root = drives; *root; root += wcslen(root) + 1) {
            const UINT type = ::GetDriveTypeW(root);
            std::wstring drive(root);
            drive = drive.substr(0, drive.find(L'\\'));
            for (wchar_t& c : drive) c = static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(c)));
            if (type >= DRIVE_REMOVABLE) FillFolder(TVI_ROOT, chooser::RootNode(drive, drive), type, FillMode::FirstPass);
        }
    }
    m_tree.SendMessage(WM_SETREDRAW, TRUE);
}

HTREEITEM CSelectFileDlg::InsertDrive(chooser::ChooserNode node, bool* readable) {
    wchar_t label[MAX_PATH + 1] = {};
    const std::wstring root = node.path;
    *readable = true;
    if (!::GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0)) {
        label[0] = L'\0';
        // An empty card reader or CD drive: listed, not read.
        *readable = ::GetLastError() != ERROR_NOT_READY;
    }
    node.name = chooser::DriveItemText(node.name, label);
    return InsertNode(std::move(node), kDriveImage, TVI_ROOT, TVI_LAST);
}

HTREEITEM CSelectFileDlg::InsertNode(chooser::ChooserNode node, int image, HTREEITEM parent, HTREEITEM after) {
    m_nodes.push_back(std::move(node));
    const chooser::ChooserNode& kept = m_nodes.back();
    return m_tree.InsertItem(kept.name.c_str(), image, image + 1, reinterpret_cast<LPARAM>(&kept), parent, after);
}

const chooser::ChooserNode* CSelectFileDlg::Node(HTREEITEM item) {
    return item ? reinterpret_cast<const chooser::ChooserNode*>(m_tree.GetItemData(item)) : nullptr;
}

bool CSelectFileDlg::IsPackItem(HTREEITEM item) {
    const chooser::ChooserNode* node = Node(item);
    return node && node->IsPack();
}

void CSelectFileDlg::FillFolder(HTREEITEM parent, std::optional<chooser::ChooserNode> node, UINT driveType,
                                FillMode mode) {
    DepthScope depth(m_depth);
    if (m_depth > kMaxFillDepth) return;
    HTREEITEM item = parent;
    bool readable = true;
    if (node) {
        if (driveType < DRIVE_REMOVABLE) {
            item = InsertNode(std::move(*node), kFolderImage, parent, TVI_FIRST);
        } else {
            item = InsertDrive(std::move(*node), &readable);
            mode = FillMode::FirstPass;
        }
        if (!item || !readable) return;
    }
    const chooser::ChooserNode* folder = Node(item);
    if (!folder) return;
    AddPacks(item, *folder);

    WIN32_FIND_DATAW entry{};
    FindHandle find(folder->path + L"*.*", &entry);
    if (!find.Valid()) return;
    do {
        if (!IsVisibleSubFolder(entry)) continue;
        if (mode == FillMode::FirstPass) {
            // One sub-folder is enough to give the item its expand button.
            if (m_depth >= 2) break;
            FillFolder(item, chooser::ChildNode(*folder, entry.cFileName, kFolder), 0, FillMode::FirstPass);
            break;
        }
        FillFolder(item, chooser::ChildNode(*folder, entry.cFileName, kFolder), 0, FillMode::Expansion);
        if (m_depth > 1) break;  // below the expanded folder, only the first sub-folder
    } while (find.Next(&entry));
    SortChildren(item);
}

// Lists the folder by its full path, so the process's current directory
// stays where it is.
void CSelectFileDlg::AddPacks(HTREEITEM item, const chooser::ChooserNode& folder) {
    WIN32_FIND_DATAW entry{};
    FindHandle find(folder.path + L"*.zip", &entry);
    if (!find.Valid()) return;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const std::wstring name = entry.cFileName;
        if (!chooser::IsPackName(name)) continue;
        bool present = false;
        for (HTREEITEM child = m_tree.GetChildItem(item); child && !present; child = m_tree.GetNextSiblingItem(child))
            present = IsPackItem(child) && Node(child)->name == name;
        if (!present) InsertNode(chooser::ChildNode(folder, name, kPack), kPackImage, item, TVI_LAST);
    } while (find.Next(&entry));
}

void CSelectFileDlg::SortChildren(HTREEITEM item) {
    TVSORTCB sort{};
    sort.hParent = item;
    sort.lpfnCompare = &CSelectFileDlg::CompareItems;
    m_tree.SortChildrenCB(&sort);
}

// The control hands over the items' parameters: their nodes.
int CALLBACK CSelectFileDlg::CompareItems(LPARAM a, LPARAM b, LPARAM) {
    return chooser::CompareChildren(*reinterpret_cast<const chooser::ChooserNode*>(a),
                                    *reinterpret_cast<const chooser::ChooserNode*>(b));
}

// The first expansion replaces what the first pass put under the item (one
// sub-folder, and the packs, which come back) by the folder's full content.
void CSelectFileDlg::FillOnce(HTREEITEM item) {
    if (!item || IsPackItem(item) || !m_filled.insert(item).second) return;
    QuietDriveErrors quiet;
    HTREEITEM first = m_tree.GetChildItem(item);
    if (first && !IsPackItem(first)) m_tree.DeleteItem(first);
    FillFolder(item, std::nullopt, 0, FillMode::Expansion);
}

void CSelectFileDlg::OnItemExpanded(const NMTREEVIEWW& info) {
    if (info.action & TVE_EXPAND) FillOnce(info.itemNew.hItem);
}

void CSelectFileDlg::SelectInitialPath(const std::wstring& value) {
    m_initialPath = value;
    if (m_initialPath.empty() || m_initialPath == L".") {
        wchar_t cwd[MAX_PATH] = {};
        const DWORD n = ::GetCurrentDirectoryW(MAX_PATH, cwd);
        m_initialPath = n > 0 && n < MAX_PATH ? cwd : L"";
    }
    const std::vector<std::wstring> tokens = chooser::SplitRememberedPath(m_initialPath);
    if (tokens.empty()) return;

    HTREEITEM current = nullptr;
    for (HTREEITEM root = m_tree.GetRootItem(); root && !current; root = m_tree.GetNextSiblingItem(root))
        if (Node(root) && Node(root)->path == tokens.front()) current = root;
    if (!current) return;

    for (size_t next = 1; next < tokens.size(); ++next) {
        FillOnce(current);
        m_tree.Expand(current, TVE_EXPAND);
        const std::wstring wanted = chooser::Lowered(tokens[next]);
        HTREEITEM match = nullptr;
        for (HTREEITEM child = m_tree.GetChildItem(current); child && !match; child = m_tree.GetNextSiblingItem(child))
            if (Node(child) && chooser::Lowered(Node(child)->name) == wanted) match = child;
        if (!match) break;
        current = match;
    }
    FillOnce(current);
    m_tree.Expand(current, TVE_EXPAND);
    m_tree.SelectItem(current);
    m_tree.EnsureVisible(current);
}

void CSelectFileDlg::OnSelectionChanged(HTREEITEM item) {
    WaitCursor wait;
    m_selectedPath.clear();
    if (!item || !IsPackItem(item)) {
        m_ok.EnableWindow(FALSE);
        m_ok.UpdateWindow();
        return;
    }
    m_ok.EnableWindow(TRUE);
    m_ok.SetState(kButtonNormal);
    m_ok.Invalidate(FALSE);
    m_ok.UpdateWindow();
    m_selectedPath = Node(item)->path;
}

// Remembers the pack and closes. Without a pack there is nothing to
// remember: the path stays empty and the remembered one stays as it was.
void CSelectFileDlg::Confirm() {
    if (!m_selectedPath.empty()) WriteSelectedPath(m_selectedPath);
    Close();
}

void CSelectFileDlg::Cancel() {
    m_selectedPath.clear();
    Close();
}

void CSelectFileDlg::Close() {
    m_closing = true;
    PostMessage(WM_CLOSE, 0, 0);
}

BOOL CSelectFileDlg::OnCommand(const CommandMessage& command) {
    if (command.code != BN_CLICKED) return CDialog::OnCommand(command);
    switch (command.id) {
        case IDC_CHOOSER_OK: Confirm(); return TRUE;
        case IDC_CHOOSER_CANCEL:
        case IDC_CHOOSER_CLOSE: Cancel(); return TRUE;
        default: return CDialog::OnCommand(command);
    }
}

BOOL CSelectFileDlg::OnNotify(const NMHDR& header, LRESULT* result) {
    if (header.idFrom != IDC_CHOOSER_TREE) return FALSE;
    // Each of the tree's notifications below carries an NMTREEVIEWW that
    // begins with this header.
    const auto* info = reinterpret_cast<const NMTREEVIEWW*>(&header);
    switch (header.code) {
        case TVN_SELCHANGEDW: OnSelectionChanged(info->itemNew.hItem); break;
        case TVN_ITEMEXPANDEDW: OnItemExpanded(*info); break;
        case TVN_DELETEITEMW: m_filled.erase(info->itemOld.hItem); break;
        default: return FALSE;
    }
    *result = 0;
    return TRUE;
}

LRESULT CSelectFileDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (HandleOwnPaint(m_hWnd, msg, wParam, [this](HDC dc) { Paint(dc); })) return 0;
    switch (msg) {
        case WM_ERASEBKGND:
            return OnEraseBackgroundSkipped();
        case WM_NCHITTEST:
            return HitTest(lParam);
        case WM_CLOSE:
            // Our own close ends the modal loop; any other (Alt+F4) cancels.
            if (!m_closing)
                Cancel();
            else
                ShowWindow(SW_HIDE);
            return 0;
        default:
            return CDialog::WindowProc(msg, wParam, lParam);
    }
}

LRESULT CSelectFileDlg::HitTest(LPARAM lParam) {
    const LRESULT hit = CDialog::WindowProc(WM_NCHITTEST, 0, lParam);
    if (hit == HTCLIENT && (::GetAsyncKeyState(VK_LBUTTON) & 0x8000)) return HTCAPTION;
    return hit;
}

void CSelectFileDlg::Paint(HDC target) {
    RECT client;
    GetClientRect(&client);
    MemoryDC mem(target);
    GdiObject<HBITMAP> bitmap(::CreateCompatibleBitmap(target, client.right, client.bottom));
    if (!mem || !bitmap) return;
    SelectScope select(mem.Get(), bitmap.Get());
    {
        Gdiplus::Graphics g(mem.Get());
        if (m_background)
            g.DrawImage(m_background.get(), 0, 0, static_cast<INT>(m_background->GetWidth()),
                        static_cast<INT>(m_background->GetHeight()));
        g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
        if (std::unique_ptr<Gdiplus::Font> font = CreateSkinFont(16, Gdiplus::UnitPixel)) {
            Gdiplus::SolidBrush white{Gdiplus::Color(255, 255, 255, 255)};
            const wchar_t title[] = L"请选择升级包";
            g.DrawString(title, -1, font.get(), Gdiplus::RectF(40, 12, 140, 27), nullptr, &white);
        }
    }
    ::BitBlt(target, 0, 0, client.right, client.bottom, mem.Get(), 0, 0, SRCCOPY);
}
