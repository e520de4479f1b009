// The pack chooser, driven in-process as the main dialog drives it, over a
// scratch folder on the Desktop of the Wine prefix: what the tree lists and
// in which order, unfolding the remembered path, what each button returns
// and remembers, and how the open chooser looks.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "chooser/RegistryString.h"
#include "chooser/SelectFileDlg.h"
#include "res/resource.h"

namespace {

// Puts the remembered path of both registry roots back as it was.
class RememberedPathGuard {
public:
    RememberedPathGuard() : m_saved{Save(HKEY_CURRENT_USER), Save(HKEY_LOCAL_MACHINE)} {}
    ~RememberedPathGuard() {
        for (const Saved& s : m_saved) {
            if (s.present)
                SetRaw(s.root, s.type, s.data);
            else
                Remove(s.root);
        }
    }
    static void Set(HKEY root, const std::wstring& text) {
        ASSERT_TRUE(WriteRegistryString(root, kChooserKey, kSelectedPathValue, text));
    }
    static void Remove(HKEY root) {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(root, kChooserKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
        ::RegDeleteValueW(key, kSelectedPathValue);
        ::RegCloseKey(key);
    }
    static std::wstring Get(HKEY root) { return ReadRegistryString(root, kChooserKey, kSelectedPathValue, L"<none>"); }

private:
    struct Saved {
        HKEY root;
        bool present;
        DWORD type;
        std::vector<BYTE> data;
    };
    static Saved Save(HKEY root) {
        Saved s{root, false, 0, {}};
        DWORD bytes = 0;
        if (::RegGetValueW(root, kChooserKey, kSelectedPathValue, RRF_RT_ANY | RRF_NOEXPAND, &s.type, nullptr,
                           &bytes) != ERROR_SUCCESS)
            return s;
        s.data.resize(bytes);
        s.present = ::RegGetValueW(root, kChooserKey, kSelectedPathValue, RRF_RT_ANY | RRF_NOEXPAND, &s.type,
                                   s.data.data(), &bytes) == ERROR_SUCCESS;
        s.data.resize(bytes);
        return s;
    }
    static void SetRaw(HKEY root, DWORD type, const std::vector<BYTE>& data) {
        HKEY key = nullptr;
        if (::RegCreateKeyExW(root, kChooserKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return;
        ::RegSetValueExW(key, kSelectedPathValue, 0, type, data.data(), static_cast<DWORD>(data.size()));
        ::RegCloseKey(key);
    }
    Saved m_saved[2];
};

void RemoveTree(const std::wstring& dir) {
    WIN32_FIND_DATAW e;
    HANDLE h = ::FindFirstFileW((dir + L"\\*").c_str(), &e);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = e.cFileName, path = dir + L"\\" + name;
            if (name == L"." || name == L"..") continue;
            ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (e.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                ::DeleteFileW(path.c_str());
        } while (::FindNextFileW(h, &e));
        ::FindClose(h);
    }
    ::RemoveDirectoryW(dir.c_str());
}

// A uniquely named folder on the Desktop, with packs, look-alikes and
// sub-folders, removed afterwards.
class DesktopScratch {
public:
    DesktopScratch() {
        wchar_t desktop[MAX_PATH] = {};
        ::SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE);
        name = L"QuillonChooserTest-" + std::to_wstring(::GetCurrentProcessId());
        path = std::wstring(desktop) + L"\\" + name;
        RemoveTree(path);
        ::CreateDirectoryW(path.c_str(), nullptr);
        for (const wchar_t* file : {L"AppUpgradePack.zip", L"ToolUpgradePack.zip", L"Other.zip",
                                    L"SystemUpgradePack.zip.bak", L"readme.txt"})
            Touch(path + L"\\" + file);
        for (const wchar_t* dir : {L"old.zip", L"beta", L"Alpha", L"lower", L"Hidden"})
            ::CreateDirectoryW((path + L"\\" + dir).c_str(), nullptr);
        ::SetFileAttributesW((path + L"\\Hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
        Touch(path + L"\\lower\\systemupgradepack.zip");
        Touch(path + L"\\Alpha\\SystemUpgradePack.zip");
    }
    ~DesktopScratch() { RemoveTree(path); }
    static void Touch(const std::wstring& file) {
        HANDLE h = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        ::WriteFile(h, "PK", 2, &written, nullptr);
        ::CloseHandle(h);
    }
    std::wstring name, path;
};

// Reads the chooser's tree back through the control's own messages.
struct TreeReader {
    HWND tree;
    HTREEITEM Next(HTREEITEM item, UINT code) const {
        return reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
    }
    std::wstring Text(HTREEITEM item) const {
        wchar_t buffer[520] = {};
        TVITEMW it{};
        it.mask = TVIF_TEXT;
        it.hItem = item;
        it.pszText = buffer;
        it.cchTextMax = 520;
        ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
        return buffer;
    }
    std::vector<std::wstring> Children(HTREEITEM item) const {
        std::vector<std::wstring> texts;
        for (HTREEITEM c = Next(item, TVGN_CHILD); c; c = Next(c, TVGN_NEXT)) texts.push_back(Text(c));
        return texts;
    }
    HTREEITEM Child(HTREEITEM item, const std::wstring& text) const {
        for (HTREEITEM c = Next(item, TVGN_CHILD); c; c = Next(c, TVGN_NEXT))
            if (Text(c) == text) return c;
        return nullptr;
    }
    HTREEITEM Selected() const { return Next(nullptr, TVGN_CARET); }
    void Select(HTREEITEM item) const { ::SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)); }
    void Expand(HTREEITEM item) const { ::SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item)); }
};

// Runs `action` from inside the chooser's modal loop (posted before the
// loop starts, so it runs once the window is shown).
class LoopAction {
public:
    explicit LoopAction(std::function<void()> action) : m_action(std::move(action)) {
        m_hwnd = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ::SetWindowSubclass(m_hwnd, &Proc, 0, reinterpret_cast<DWORD_PTR>(this));
        ::PostMessageW(m_hwnd, WM_APP, 0, 0);
    }
    ~LoopAction() {
        ::RemoveWindowSubclass(m_hwnd, &Proc, 0);
        ::DestroyWindow(m_hwnd);
    }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR self) {
        if (msg == WM_APP) {
            reinterpret_cast<LoopAction*>(self)->m_action();
            return 0;
        }
        return ::DefSubclassProc(hwnd, msg, w, l);
    }
    std::function<void()> m_action;
    HWND m_hwnd = nullptr;
};

// The main dialog's part: a plain owner window.
class Owner {
public:
    Owner() {
        HWND h = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 100, 100, 700, 500, nullptr,
                                   nullptr, nullptr, nullptr);
        window.SubclassWindow(h);
    }
    ~Owner() { ::DestroyWindow(window.UnsubclassWindow()); }
    CWnd window;
};

void Click(HWND dialog, int id) {
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

std::wstring CurrentDirectory() {
    wchar_t cwd[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, cwd);
    return cwd;
}

class ChooserDialog : public ::testing::Test {
protected:
    void SetUp() override { EnsureGdiplus(); }
    RememberedPathGuard registry;
    DesktopScratch scratch;
    Owner owner;
};

TEST_F(ChooserDialog, UnfoldsTheRememberedPackListsOnlyPacksAndConfirmsIt) {
    const std::wstring pack = scratch.path + L"\\AppUpgradePack.zip";
    RememberedPathGuard::Set(HKEY_LOCAL_MACHINE, scratch.path + L"\\ToolUpgradePack.zip");
    RememberedPathGuard::Set(HKEY_CURRENT_USER, pack);  // the user's value wins
    const std::wstring cwd = CurrentDirectory();

    CSelectFileDlg chooser(&owner.window);
    ASSERT_TRUE(chooser.Create(IDD_SELECT_FILE_DIALOG, &owner.window));
    chooser.CenterWindow(&owner.window);
    chooser.ShowWindow(SW_HIDE);
    TreeReader tree{chooser.GetDlgItem(IDC_CHOOSER_TREE)};
    const HWND ok = chooser.GetDlgItem(IDC_CHOOSER_OK);

    EXPECT_EQ(CurrentDirectory(), cwd);
    const std::vector<std::wstring> roots = tree.Children(TVI_ROOT);
    ASSERT_GE(roots.size(), 3u);
    EXPECT_EQ(roots[0], L"桌面");
    EXPECT_EQ(roots[1], L"我的文档");
    EXPECT_EQ(roots[2].substr(0, 2), L"C:");

    // Unfolded through drive C: down to the pack, which is selected.
    const HTREEITEM selected = tree.Selected();
    ASSERT_NE(selected, nullptr);
    EXPECT_EQ(tree.Text(selected), L"AppUpgradePack.zip");
    const HTREEITEM folder = tree.Next(selected, TVGN_PARENT);
    EXPECT_EQ(tree.Text(folder), scratch.name);
    EXPECT_TRUE(::IsWindowEnabled(ok));
    // Folders first (the "old.zip" folder among them), then the exact packs.
    EXPECT_EQ(tree.Children(folder), (std::vector<std::wstring>{L"Alpha", L"beta", L"lower", L"old.zip",
                                                                 L"AppUpgradePack.zip", L"ToolUpgradePack.zip"}));
    const HTREEITEM alpha = tree.Child(folder, L"Alpha"), lower = tree.Child(folder, L"lower");
    tree.Expand(alpha);
    tree.Expand(lower);
    EXPECT_EQ(tree.Children(alpha), (std::vector<std::wstring>{L"SystemUpgradePack.zip"}));
    EXPECT_TRUE(tree.Children(lower).empty());  // "systemupgradepack.zip": wrong case
    EXPECT_EQ(CurrentDirectory(), cwd);

    // A folder named like a pack is no pack; a pack enables "确定" again.
    tree.Select(tree.Child(folder, L"old.zip"));
    EXPECT_FALSE(::IsWindowEnabled(ok));
    tree.Select(tree.Child(folder, L"Alpha"));
    EXPECT_FALSE(::IsWindowEnabled(ok));
    tree.Select(selected);
    EXPECT_TRUE(::IsWindowEnabled(ok));

    // A look at the open chooser, then "确定".
    bool looked = false;
    LoopAction look([&] {
        PumpMessagesFor(400);
        ::RedrawWindow(chooser.GetSafeHwnd(), nullptr, nullptr,
                       RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        RECT r;
        chooser.GetWindowRect(&r);
        EXPECT_TRUE(SaveScreenshot(r, L"chooser"));
        // Navy title band with the white title, the blue "确定", the white tree.
        EXPECT_TRUE(Near(ScreenPixel(r.left + 250, r.top + 20), RGB(21, 27, 49)));
        int whiteInTitle = 0;
        for (int y = r.top + 12; y < r.top + 39; ++y)
            for (int x = r.left + 40; x < r.left + 180; ++x) whiteInTitle += Near(ScreenPixel(x, y), RGB(255, 255, 255), 60);
        EXPECT_GT(whiteInTitle, 60);
        RECT okRect;
        ::GetWindowRect(ok, &okRect);
        EXPECT_TRUE(Near(ScreenPixel(okRect.left + 6, (okRect.top + okRect.bottom) / 2), RGB(30, 136, 229), 40));
        RECT treeRect;
        ::GetWindowRect(tree.tree, &treeRect);
        EXPECT_TRUE(Near(ScreenPixel(treeRect.right - 30, treeRect.bottom - 30), RGB(255, 255, 255)));
        looked = true;
        Click(chooser.GetSafeHwnd(), IDC_CHOOSER_OK);
    });
    chooser.RunModalLoop();
    EXPECT_TRUE(looked);
    EXPECT_TRUE(::IsWindowEnabled(owner.window.GetSafeHwnd()));
    EXPECT_EQ(chooser.GetSelectedPath(), pack);
    chooser.DestroyWindow();
    EXPECT_EQ(RememberedPathGuard::Get(HKEY_CURRENT_USER), pack);
    EXPECT_EQ(RememberedPathGuard::Get(HKEY_LOCAL_MACHINE), pack);
    EXPECT_EQ(CurrentDirectory(), cwd);
}

std::wstring RunAndClick(CWnd* owner, int id, std::wstring* selectedText) {
    CSelectFileDlg chooser(owner);
    if (!chooser.Create(IDD_SELECT_FILE_DIALOG, owner)) return L"<not created>";
    chooser.ShowWindow(SW_HIDE);
    TreeReader tree{chooser.GetDlgItem(IDC_CHOOSER_TREE)};
    *selectedText = tree.Selected() ? tree.Text(tree.Selected()) : L"";
    if (id)
        Click(chooser.GetSafeHwnd(), id);
    else  // Alt+F4
        ::PostMessageW(chooser.GetSafeHwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    chooser.RunModalLoop();
    std::wstring path = chooser.GetSelectedPath();
    chooser.DestroyWindow();
    return path;
}

TEST_F(ChooserDialog, CancelCloseAltF4AndEmptyConfirmKeepTheRememberedPath) {
    const std::wstring tool = scratch.path + L"\\ToolUpgradePack.zip";
    RememberedPathGuard::Remove(HKEY_CURRENT_USER);
    RememberedPathGuard::Set(HKEY_LOCAL_MACHINE, tool);  // read when the user has none
    std::wstring selected;
    for (int id : {IDC_CHOOSER_CANCEL, IDC_CHOOSER_CLOSE, 0}) {
        EXPECT_EQ(RunAndClick(&owner.window, id, &selected), L"") << id;
        EXPECT_EQ(selected, L"ToolUpgradePack.zip");
        EXPECT_EQ(RememberedPathGuard::Get(HKEY_LOCAL_MACHINE), tool);
        EXPECT_EQ(RememberedPathGuard::Get(HKEY_CURRENT_USER), L"<none>");
    }

    // A remembered drive that is not there: nothing selected, "确定" returns
    // nothing and forgets nothing.
    DWORD drives = ::GetLogicalDrives();
    wchar_t letter = L'Z';
    while (letter > L'D' && (drives & (1u << (letter - L'A')))) --letter;
    const std::wstring absent = std::wstring(1, letter) + L":\\Packs\\AppUpgradePack.zip";
    RememberedPathGuard::Set(HKEY_CURRENT_USER, absent);
    EXPECT_EQ(RunAndClick(&owner.window, IDC_CHOOSER_OK, &selected), L"");
    EXPECT_EQ(selected, L"");
    EXPECT_EQ(RememberedPathGuard::Get(HKEY_CURRENT_USER), absent);
    EXPECT_EQ(RememberedPathGuard::Get(HKEY_LOCAL_MACHINE), tool);
}

// Values of the wrong type or without their closing NUL are read safely.
TEST(ChooserRegistry, OddValues) {
    const wchar_t key[] = L"Software\\QuillonChooserTest";
    HKEY k = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    const wchar_t text[] = L"C:\\abc";
    const DWORD number = 7;
    ::RegSetValueExW(k, L"open", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), 6 * sizeof(wchar_t));
    ::RegSetValueExW(k, L"odd", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), 7);
    ::RegSetValueExW(k, L"number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    ::RegCloseKey(k);
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, key, L"open", L"-"), L"C:\\abc");
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, key, L"odd", L"-"), L"C:\\");
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, key, L"number", L"-"), L"-");
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, key, L"missing", L"-"), L"-");
    EXPECT_TRUE(WriteRegistryString(HKEY_CURRENT_USER, key, L"written", L"D:\\x"));
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, key, L"written", L"-"), L"D:\\x");
    ::RegDeleteTreeW(HKEY_CURRENT_USER, key);
}

}  // namespace
