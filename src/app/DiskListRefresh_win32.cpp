#include "app/DiskListRefresh.h"

#include <mutex>
#include <thread>

struct DiskListRefresher::Mailbox {
    std::mutex lock;
    uint64_t generation = 0;  // of the newest refresh started
    bool ready = false;       // a result of `generation` waits
    std::vector<UsbDiskInfo> disks;
};

DiskListRefresher::DiskListRefresher(std::shared_ptr<COpenDisk> discovery)
    : m_discovery(std::move(discovery)), m_mailbox(std::make_shared<Mailbox>()) {}

namespace {
std::vector<UsbDiskInfo> FindTerminalDisks(COpenDisk& discovery, uint16_t vendorId, uint16_t productId) {
    std::vector<UsbDiskInfo> disks;
    discovery.Refresh();
    discovery.FindDisks(disks, vendorId, productId);
    return disks;
}
}  // namespace

std::vector<UsbDiskInfo> DiskListRefresher::RefreshNow(uint16_t vendorId, uint16_t productId) {
    {
        std::lock_guard<std::mutex> hold(m_mailbox->lock);
        ++m_mailbox->generation;
        m_mailbox->ready = false;
    }
    return FindTerminalDisks(*m_discovery, vendorId, productId);
}

bool DiskListRefresher::RefreshInBackground(HWND window, UINT message, uint16_t vendorId, uint16_t productId) {
    uint64_t generation;
    {
        std::lock_guard<std::mutex> hold(m_mailbox->lock);
        generation = ++m_mailbox->generation;
        m_mailbox->ready = false;
    }
    std::shared_ptr<COpenDisk> discovery = m_discovery;
    std::shared_ptr<Mailbox> mailbox = m_mailbox;
    try {
        std::thread([=] {
            std::vector<UsbDiskInfo> disks;
            try {
                disks = FindTerminalDisks(*discovery, vendorId, productId);
            } catch (...) {
                return;  // out of memory: the list stays as it was, the next refresh tries again
            }
            {
                std::lock_guard<std::mutex> hold(mailbox->lock);
                if (mailbox->generation != generation) return;  // a newer refresh owns the list
                mailbox->disks = std::move(disks);
                mailbox->ready = true;
            }
            ::PostMessageW(window, message, 0, 0);
        }).detach();
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

bool DiskListRefresher::TakeResult(std::vector<UsbDiskInfo>* disks) {
    std::lock_guard<std::mutex> hold(m_mailbox->lock);
    if (!m_mailbox->ready) return false;
    m_mailbox->ready = false;
    *disks = std::move(m_mailbox->disks);
    m_mailbox->disks.clear();
    return true;
}
