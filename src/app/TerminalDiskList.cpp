#include "app/TerminalDiskList.h"

void TerminalDiskList::Replace(std::vector<UsbDiskInfo> disks) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_disks = std::move(disks);
    m_selected = m_disks.empty() ? -1 : 0;
}

std::vector<UsbDiskInfo> TerminalDiskList::Snapshot() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_disks;
}

bool TerminalDiskList::Empty() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_disks.empty();
}

size_t TerminalDiskList::Size() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_disks.size();
}

void TerminalDiskList::Select(int index) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_selected = index;
}

int TerminalDiskList::SelectedIndex() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_selected;
}

bool TerminalDiskList::Selected(UsbDiskInfo* disk) const {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_selected < 0 || static_cast<size_t>(m_selected) >= m_disks.size()) return false;
    *disk = m_disks[static_cast<size_t>(m_selected)];
    return true;
}
