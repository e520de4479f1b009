#pragma once
// The pack chooser's rules that need no window: which files are packs, the
// order of a folder's children, the file-system path of a tree item and
// how a remembered path is split for unfolding the tree.
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

// Order of two children of one folder: folders before packs, then by the
// lowered texts, code unit by code unit. Returns -1, 0 or +1.
int CompareChildren(const std::wstring& a, bool aIsPack, const std::wstring& b, bool bIsPack);

// The text of a drive item: "C:" or "C: (label)".
std::wstring DriveItemText(const std::wstring& drive, const std::wstring& label);

// The path of a tree item from its texts, root first. The root text
// "桌面"/"我的文档" stands for `desktop`/`documents`; any other root is a
// drive item whose " (label)" is cut off. Every component is followed by a
// backslash: {"C: (Data)", "Packs", "AppUpgradePack.zip"} gives
// "C:\Packs\AppUpgradePack.zip\". Empty for no texts.
std::wstring ItemPathFromTexts(const std::vector<std::wstring>& textsRootFirst, const std::wstring& desktop,
                               const std::wstring& documents);

// Splits a remembered path at "\" and "/" (empty parts skipped); the first
// token is the drive, upper-cased and followed by "\" ("c:/a" gives
// {"C:\", "a"}). Empty for a path without any token.
std::vector<std::wstring> SplitRememberedPath(const std::wstring& path);

// `path` without one trailing backslash.
std::wstring WithoutTrailingBackslash(const std::wstring& path);

}  // namespace chooser
