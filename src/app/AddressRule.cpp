#include "app/AddressRule.h"

#include "app/UpgradeSelection.h"

std::wstring FormatAddress(const AddressOctets& o) {
    return std::to_wstring(o[0]) + L"." + std::to_wstring(o[1]) + L"." + std::to_wstring(o[2]) + L"." +
           std::to_wstring(o[3]);
}

bool PassesOctetRule(const AddressOctets& o) {
    if (o[0] == 0 || o[0] == 127 || o[0] > 223) return false;
    return o[3] != 0 && o[3] != 255;
}

bool IsUsableTerminalAddress(const AddressOctets& octets, const std::wstring& localAddress) {
    return PassesOctetRule(octets) && FormatAddress(octets) != localAddress;
}

bool IsUsableTerminalAddress(const AddressOctets& octets, const std::vector<std::wstring>& localAddresses) {
    if (!PassesOctetRule(octets)) return false;
    const std::wstring text = FormatAddress(octets);
    for (const std::wstring& local : localAddresses)
        if (text == local) return false;
    return true;
}

std::wstring TrimBlanks(const std::wstring& text) {
    const wchar_t* blanks = L" \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::wstring::npos) return std::wstring();
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

void ValidateTerminalAddress(UpgradeSelection& selection, const AddressOctets& octets,
                             const std::wstring& localAddress) {
    selection.displayedPackPath = TrimBlanks(selection.displayedPackPath);
    // The address the run uses is the one the rule judged: the field texts
    // may hold leading zeros, which socket calls read as octal.
    selection.terminalAddress = FormatAddress(octets);
    selection.addressValid = IsUsableTerminalAddress(octets, localAddress);
}
