#pragma once
// CTreeCtrl: the common tree view control (WC_TREEVIEW).
#include <commctrl.h>

#include <string>

#include "ui/Wnd.h"

class CTreeCtrl : public CWnd {
public:
    HTREEITEM InsertItem(const wchar_t* text, HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_LAST) {
        TVINSERTSTRUCTW is{};
        is.hParent = parent;
        is.hInsertAfter = after;
        is.item.mask = TVIF_TEXT;
        is.item.pszText = const_cast<wchar_t*>(text);
        return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&is)));
    }
    // An item with images and a parameter.
    HTREEITEM InsertItem(const wchar_t* text, int image, int selectedImage, LPARAM data, HTREEITEM parent,
                         HTREEITEM after) {
        TVINSERTSTRUCTW is{};
        is.hParent = parent;
        is.hInsertAfter = after;
        is.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
        is.item.pszText = const_cast<wchar_t*>(text);
        is.item.iImage = image;
        is.item.iSelectedImage = selectedImage;
        is.item.lParam = data;
        return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&is)));
    }
    LPARAM GetItemData(HTREEITEM item) {
        TVITEMW it{};
        it.mask = TVIF_PARAM;
        it.hItem = item;
        SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
        return it.lParam;
    }
    BOOL SortChildrenCB(const TVSORTCB* sort) {
        return static_cast<BOOL>(SendMessage(TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(sort)));
    }
    HTREEITEM GetRootItem() { return GetNextItem(nullptr, TVGN_ROOT); }
    HTREEITEM GetParentItem(HTREEITEM item) { return GetNextItem(item, TVGN_PARENT); }
    HTREEITEM GetNextSiblingItem(HTREEITEM item) { return GetNextItem(item, TVGN_NEXT); }
    // Deletes one item and its children; a null item deletes nothing (the
    // control itself would take null as "every item").
    BOOL DeleteItem(HTREEITEM item) {
        if (!item || item == TVI_ROOT) return FALSE;
        return static_cast<BOOL>(SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item)));
    }
    HIMAGELIST SetImageList(HIMAGELIST list, int kind) {
        return reinterpret_cast<HIMAGELIST>(SendMessage(TVM_SETIMAGELIST, static_cast<WPARAM>(kind),
                                                        reinterpret_cast<LPARAM>(list)));
    }
    BOOL EnsureVisible(HTREEITEM item) {
        return static_cast<BOOL>(SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item)));
    }
    HTREEITEM GetFirstVisibleItem() { return GetNextItem(nullptr, TVGN_FIRSTVISIBLE); }
    HTREEITEM GetNextVisibleItem(HTREEITEM item) { return GetNextItem(item, TVGN_NEXTVISIBLE); }
    HTREEITEM GetChildItem(HTREEITEM item) { return GetNextItem(item, TVGN_CHILD); }
    HTREEITEM GetSelectedItem() { return GetNextItem(nullptr, TVGN_CARET); }
    HTREEITEM GetNextItem(HTREEITEM item, UINT code) {
        return reinterpret_cast<HTREEITEM>(SendMessage(TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
    }
    BOOL SelectItem(HTREEITEM item) {
        return static_cast<BOOL>(SendMessage(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)));
    }
    BOOL Expand(HTREEITEM item, UINT code) {
        return static_cast<BOOL>(SendMessage(TVM_EXPAND, code, reinterpret_cast<LPARAM>(item)));
    }
    UINT GetVisibleCount() { return static_cast<UINT>(SendMessage(TVM_GETVISIBLECOUNT)); }
    UINT GetItemState(HTREEITEM item, UINT mask) {
        return static_cast<UINT>(SendMessage(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), mask));
    }
    // The item's text rectangle (text part only), in client coordinates.
    BOOL GetItemTextRect(HTREEITEM item, RECT* rect) {
        *reinterpret_cast<HTREEITEM*>(rect) = item;
        return static_cast<BOOL>(SendMessage(TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(rect)));
    }
    std::wstring GetItemText(HTREEITEM item) {
        wchar_t buffer[520] = {};
        TVITEMW it{};
        it.mask = TVIF_TEXT;
        it.hItem = item;
        it.pszText = buffer;
        it.cchTextMax = static_cast<int>(sizeof buffer / sizeof buffer[0]);
        SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
        return buffer;
    }
    HFONT GetFont() { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
};
