#pragma once
// The pack chooser's rules that need no window: which files are packs, what
// a tree item stands for, the order of a folder's children and how a
// remembered path is split for unfolding the tree.
#include <string>
#include <vector>

namespace chooser {

// The root items that stand for the two special folders.
extern const wchar_t kDesktopText[];    // "桌面"
extern const wchar_t kDocumentsText[];  // "我的文档"

// True for exactly "AppUpgradePack.zip", "SystemUpgradePack.zip" and
// "ToolUpgradePack.zip" (letter case counts).
bool IsPackName(const std::wstring& name);

// Lower-case copy (per code unit).
std::wstring Lowered(const std::wstring& text);

// What one tree item stands for. Every item carries its node, so nothing
// is rebuilt from the items' texts or read from their images.
struct ChooserNode {
    enum class Kind { Folder, Pack };
    std::wstring name;  // the entry's own name; for a root, its item text
    std::wstring path;  // a folder's ends in a backslash, a pack's is the file's
    Kind kind = Kind::Folder;

    bool IsPack() const { return kind == Kind::Pack; }
};

// A root item for folder `folder` ("C:", "C:\users\root\Desktop"):
// `text` is what the tree shows.
ChooserNode RootNode(const std::wstring& text, const std::wstring& folder);

// The entry `name` of folder `parent`.
ChooserNode ChildNode(const ChooserNode& parent, const std::wstring& name, ChooserNode::Kind kind);

// Order of two children of one folder: folders before packs, then by the
// lowered names, code unit by code unit. Returns -1, 0 or +1.
int CompareChildren(const ChooserNode& a, const ChooserNode& b);

// The text of a drive item: "C:" or "C: (label)".
std::wstring DriveItemText(const std::wstring& drive, const std::wstring& label);

// Splits a remembered path at "\" and "/" (empty parts skipped); the first
// token is the drive, upper-cased and followed by "\" ("c:/a" gives
// {"C:\", "a"}). Empty for a path without any token.
std::vector<std::wstring> SplitRememberedPath(const std::wstring& path);

}  // namespace chooser
