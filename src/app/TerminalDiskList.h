#pragma once
// The terminal's USB disks as offered in the disk combo box, with the
// operator's choice among them. Only the UI thread touches it: a refresh
// thread hands its result over by message, and a run works from a copy
// of the chosen disk taken before it starts.
#include <cstddef>
#include <vector>

#include "device/UsbDiskInfo.h"

class TerminalDiskList {
public:
    // Replaces the list; the first disk becomes the chosen one (none when empty).
    void Replace(std::vector<UsbDiskInfo> disks);
    std::vector<UsbDiskInfo> Snapshot() const;
    bool Empty() const;
    size_t Size() const;
    // The combo box's selection: an index into the list, or -1.
    void Select(int index);
    int SelectedIndex() const;
    // A copy of the chosen disk; false when none is chosen or the index no
    // longer names a disk.
    bool Selected(UsbDiskInfo* disk) const;

private:
    std::vector<UsbDiskInfo> m_disks;
    int m_selected = -1;
};
