#pragma once
// Whether the terminal address the operator typed may be used: the octet
// rule (no network 0, no loopback, no multicast or reserved range, no
// network or broadcast host number) and not the PC's own address.
// Portable: the main dialog reads the octets from its address control and
// the PC's address from GetLocalAddress, and calls these.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct UpgradeSelection;

using AddressOctets = std::array<uint8_t, 4>;

// "%d.%d.%d.%d"
std::wstring FormatAddress(const AddressOctets& octets);

// Refuses a first octet of 0, 127 or above 223 and a last octet of 0 or 255.
bool PassesOctetRule(const AddressOctets& octets);

// The octet rule, and the formatted address differs from `localAddress`.
bool IsUsableTerminalAddress(const AddressOctets& octets, const std::wstring& localAddress);
// The octet rule, and the formatted address is none of `localAddresses`.
bool IsUsableTerminalAddress(const AddressOctets& octets, const std::vector<std::wstring>& localAddresses);

// Removes spaces, tabs, carriage returns and line feeds at both ends.
std::wstring TrimBlanks(const std::wstring& text);

// The address control changed: trims the shown pack path, takes the
// octets as the terminal address (in decimal, whatever the fields hold)
// and sets addressValid from them.
void ValidateTerminalAddress(UpgradeSelection& selection, const AddressOctets& octets,
                             const std::wstring& localAddress);

