#pragma once
// The USB targets of a batch as the system resolves them. Two spellings of
// one disk ("disk", ".\disk", the absolute path with a trailing separator,
// a link to it) or two paths of one disk identity would have two
// deliveries wreck each other, one of them reporting success over what the
// other left: such a batch is a usage error before anything is written.
#include <string>
#include <vector>

struct UsbTarget {
    std::wstring origin;     // where it was given: "--usb disk", "inventory north.csv line 4"
    std::wstring path;       // absolute, with a trailing separator: what the run uses
    std::wstring canonical;  // platform::CanonicalPath of it
    std::wstring identity;   // the disk's identity, empty when it has none
};

// A target given by its path.
UsbTarget ResolveUsbTarget(const std::wstring& given, const std::wstring& origin);

// The usage error naming both places of the first disk given twice; empty
// when every target is a disk of its own.
std::wstring FindDiskGivenTwice(const std::vector<UsbTarget>& targets);
