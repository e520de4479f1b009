#pragma once
// CSelectFileDlg: the pack chooser. A borderless dialog (template 285) with
// one tree: the Desktop, the Documents folder and every drive, their
// folders, and in each folder the upgrade packs it holds. Folders are read
// when first expanded. "确定" returns the selected pack's full path and
// remembers it; the next chooser unfolds the tree down to it again.
//
//   if (std::optional<std::wstring> pack = CSelectFileDlg::Choose(this)) ...
#include <windows.h>

#include <commctrl.h>

#include <deque>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "chooser/ChooserImageList.h"
#include "chooser/ChooserRules.h"
#include "skin/ButtonEx.h"
#include "skin/GdiplusInclude.h"
#include "skin/MyTreeCtrl.h"
#include "ui/Dialog.h"

class CSelectFileDlg : public CDialog {
public:
    // Loads the background image; the window comes with Create.
    explicit CSelectFileDlg(CWnd* parent);
    ~CSelectFileDlg() override;

    // Runs a chooser over `owner` until the operator closes it: the chosen
    // pack's full path, or nothing (cancelled, or no window could be made).
    static std::optional<std::wstring> Choose(CWnd* owner);

    // The chosen pack's full path; empty after "取消", "-" or "确定" without a pack.
    std::wstring GetSelectedPath() const;

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(const CommandMessage& command) override;
    BOOL OnNotify(const NMHDR& header, LRESULT* result) override;
    void OnOK() override {}
    void OnCancel() override { Cancel(); }

private:
    enum class FillMode { FirstPass, Expansion };

    void SkinButtons();
    void FillRoots();
    // Inserts folder or drive `node` under `parent` (or, without a node,
    // reads `parent` itself), lists its packs and walks its sub-folders.
    void FillFolder(HTREEITEM parent, std::optional<chooser::ChooserNode> node, UINT driveType, FillMode mode);
    HTREEITEM InsertDrive(chooser::ChooserNode node, bool* readable);
    HTREEITEM InsertNode(chooser::ChooserNode node, int image, HTREEITEM parent, HTREEITEM after);
    void AddPacks(HTREEITEM item, const chooser::ChooserNode& folder);
    void SortChildren(HTREEITEM item);
    static int CALLBACK CompareItems(LPARAM a, LPARAM b, LPARAM self);
    // Reads a folder's content the first time it is expanded.
    void FillOnce(HTREEITEM item);
    void SelectInitialPath(const std::wstring& path);

    // The node an item carries; null for no item.
    const chooser::ChooserNode* Node(HTREEITEM item);
    bool IsPackItem(HTREEITEM item);

    void OnSelectionChanged(HTREEITEM item);
    void OnItemExpanded(const NMTREEVIEWW& info);
    void Confirm();
    void Cancel();
    void Close();
    void Paint(HDC target);
    LRESULT HitTest(LPARAM lParam);

    std::wstring m_selectedPath;  // empty when no pack is selected
    std::unique_ptr<Gdiplus::Image> m_background;
    CButtonEx m_ok;
    CButtonEx m_cancel;
    CButtonEx m_close;
    CMyTreeCtrl m_tree;
    ChooserImageList m_images;
    int m_depth = 0;  // recursion depth of FillFolder, 0 when idle
    std::wstring m_initialPath;
    std::wstring m_desktopPath;
    std::deque<chooser::ChooserNode> m_nodes;  // the items' nodes; a deque keeps their addresses
    std::set<HTREEITEM> m_filled;  // folders already read by an expansion
    bool m_closing = false;        // our own WM_CLOSE is posted
};
