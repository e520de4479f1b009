#include "chooser/RegistryString.h"

#include <vector>

const wchar_t kChooserKey[] = L"SOFTWARE\\Ystrel\\";
const wchar_t kSelectedPathValue[] = L"SelectedPath";

namespace {
// An open registry key, closed on every path.
class RegKey {
public:
    RegKey() = default;
    ~RegKey() {
        if (m_key) ::RegCloseKey(m_key);
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    HKEY* Out() { return &m_key; }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};
}  // namespace

std::wstring ReadRegistryString(HKEY root, const wchar_t* subKey, const wchar_t* valueName,
                                const std::wstring& fallback) {
    RegKey key;
    if (::RegOpenKeyExW(root, subKey, 0, KEY_READ, key.Out()) != ERROR_SUCCESS) return fallback;
    DWORD type = 0, bytes = 0;
    if (::RegQueryValueExW(key.Get(), valueName, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS)
        return fallback;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return fallback;
    // Room for the value rounded up to whole units, plus one spare zeroed
    // unit: the text ends even when the stored one does not, and an odd
    // byte count loses only its last half unit.
    const DWORD units = (bytes + 1) / sizeof(wchar_t);
    std::vector<wchar_t> buffer(units + 1, L'\0');
    DWORD size = static_cast<DWORD>(units * sizeof(wchar_t));
    if (::RegQueryValueExW(key.Get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
        ERROR_SUCCESS)
        return fallback;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return fallback;
    const size_t read = size / sizeof(wchar_t);
    size_t length = 0;
    while (length < read && buffer[length] != L'\0') ++length;
    return std::wstring(buffer.data(), length);
}

bool WriteRegistryString(HKEY root, const wchar_t* subKey, const wchar_t* valueName, const std::wstring& text) {
    const REGSAM access = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;
    RegKey key;
    if (::RegOpenKeyExW(root, subKey, 0, access, key.Out()) != ERROR_SUCCESS &&
        ::RegCreateKeyExW(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key.Out(), nullptr) !=
            ERROR_SUCCESS)
        return false;
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key.Get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes) ==
           ERROR_SUCCESS;
}

std::wstring ReadSelectedPath(const std::wstring& fallback) {
    return ReadRegistryString(HKEY_CURRENT_USER, kChooserKey, kSelectedPathValue,
                              ReadRegistryString(HKEY_LOCAL_MACHINE, kChooserKey, kSelectedPathValue, fallback));
}

bool WriteSelectedPath(const std::wstring& path) {
    const bool machine = WriteRegistryString(HKEY_LOCAL_MACHINE, kChooserKey, kSelectedPathValue, path);
    const bool user = WriteRegistryString(HKEY_CURRENT_USER, kChooserKey, kSelectedPathValue, path);
    return machine || user;
}
