#include "app/TerminalDiskList.h"

void TerminalDiskList::Replace(std::vector<UsbDiskInfo> disks) {
    m_disks = std::move(disks);
    m_selected = m_disks.empty() ? -1 : 0;
}

std::vector<UsbDiskInfo> TerminalDiskList::Snapshot() const {
    return m_disks;
}

bool TerminalDiskList::Empty() const {
    return m_disks.empty();
}

size_t TerminalDiskList::Size() const {
    return m_disks.size();
}

void TerminalDiskList::Select(int index) {
    m_selected = index;
}

int TerminalDiskList::SelectedIndex() const {
    return m_selected;
}

bool TerminalDiskList::Selected(UsbDiskInfo* disk) const {
    if (m_selected < 0 || static_cast<size_t>(m_selected) >= m_disks.size()) return false;
    *disk = m_disks[static_cast<size_t>(m_selected)];
    return true;
}
