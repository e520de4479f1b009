#pragma once
// Registry text values, and the chooser's one remembered setting: the path
// of the last pack chosen, `SelectedPath` under `SOFTWARE\Ystrel\`.
#include <windows.h>

#include <string>

extern const wchar_t kChooserKey[];         // L"SOFTWARE\\Ystrel\\"
extern const wchar_t kSelectedPathValue[];  // L"SelectedPath"

// The text of value `valueName` of key `subKey` under `root`, opened for
// reading only; `fallback` when the key or value is missing or the value is
// not a text (REG_SZ or REG_EXPAND_SZ). A text stored without its closing
// NUL is read as far as it goes.
std::wstring ReadRegistryString(HKEY root, const wchar_t* subKey, const wchar_t* valueName,
                                const std::wstring& fallback);

// Stores `text` as REG_SZ, creating the key when needed; false on failure.
bool WriteRegistryString(HKEY root, const wchar_t* subKey, const wchar_t* valueName, const std::wstring& text);

// The remembered pack path: the current user's value, else the machine's,
// else `fallback`.
std::wstring ReadSelectedPath(const std::wstring& fallback);

// Remembers `path` for the machine (as the setting always was) and for the
// current user, who can write it even without the rights for the machine's
// part of the registry. True when either write succeeded.
bool WriteSelectedPath(const std::wstring& path);
