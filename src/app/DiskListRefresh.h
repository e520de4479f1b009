#pragma once
// The terminal disk list refresh, on the UI thread or on a thread of its
// own. Disk discovery may block for a while (system device queries), so
// choosing USB refreshes in the background: the thread only finds the disks
// and leaves them in a mailbox, then posts a message to the window; the UI
// thread takes them from there and alone touches the selection's list and
// the combo box. The thread shares ownership of the discovery object and
// the mailbox, so closing the window while it runs neither waits for it
// nor leaves it touching freed memory; a post to a window that is gone
// simply fails.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "device/OpenDisk.h"

class DiskListRefresher {
public:
    explicit DiskListRefresher(std::shared_ptr<COpenDisk> discovery);

    // Refreshes on the calling thread and returns the disks with these
    // ids. A background result started earlier is dropped.
    std::vector<UsbDiskInfo> RefreshNow(uint16_t vendorId, uint16_t productId);

    // Starts a refresh on its own thread that posts `message` to `window`
    // when its disks are ready. False when no thread could be started.
    bool RefreshInBackground(HWND window, UINT message, uint16_t vendorId, uint16_t productId);

    // On `message`: the disks of the newest background refresh; false when
    // it has been superseded since (a later refresh of either kind) or was
    // already taken.
    bool TakeResult(std::vector<UsbDiskInfo>* disks);

private:
    struct Mailbox;
    std::shared_ptr<COpenDisk> m_discovery;
    std::shared_ptr<Mailbox> m_mailbox;
};
