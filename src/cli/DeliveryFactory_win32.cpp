#include "app/ShellFileSystem.h"
#include "cli/ChunkedCopyFileSystem.h"
#include "cli/DeliveryFactory.h"
#include "device/FtpClient.h"
#include "device/StartClient.h"

namespace {

// The copy on the terminal's disk is read back past the system's cache, as
// the window reads it.
class DiskReadBackFileSystem : public ChunkedCopyFileSystem {
public:
    using ChunkedCopyFileSystem::ChunkedCopyFileSystem;
    bool ReadBackMD5(const std::wstring& path, std::string* hex) override { return UnbufferedFileMD5(path, hex); }
};

class WindowsDeliveryFactory : public IDeliveryFactory {
public:
    DeliveryConnections Make(ByteProgress bytes) override {
        DeliveryConnections c;
        auto ftp = std::make_unique<CFtpClient>();
        ftp->SetTransferProgress(bytes);
        c.ftp = std::move(ftp);
        c.start = std::make_unique<CStartClient>();
        c.files = std::make_unique<DiskReadBackFileSystem>(bytes);
        return c;
    }
};

}  // namespace

std::unique_ptr<IDeliveryFactory> MakePlatformDeliveryFactory() { return std::make_unique<WindowsDeliveryFactory>(); }
