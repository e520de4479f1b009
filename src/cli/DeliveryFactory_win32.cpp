#include "app/ShellFileSystem.h"
#include "cli/ChunkedCopyFileSystem.h"
#include "cli/DeliveryFactory.h"
#include "cli/UploadPacer.h"
#include "device/FtpClient.h"
#include "device/StartClient.h"

namespace {

class WindowsDeliveryFactory : public IDeliveryFactory {
public:
    explicit WindowsDeliveryFactory(uint64_t maxSendRate) : m_maxSendRate(maxSendRate) {}

    DeliveryServices Make(ByteProgress bytes) override {
        DeliveryServices c;
        auto ftp = std::make_unique<CFtpClient>();
        if (m_maxSendRate > 0) {
            // The client reports after every chunk it wrote; the pause before
            // the next one holds the upload to the rate.
            auto pacer = std::make_shared<UploadPacer>(m_maxSendRate);
            ftp->SetTransferProgress([pacer, bytes](uint64_t sent, uint64_t total) {
                if (bytes) bytes(sent, total);
                pacer->Pace(sent);
            });
        } else {
            ftp->SetTransferProgress(bytes);
        }
        c.ftp = std::move(ftp);
        c.start = std::make_unique<CStartClient>();
        c.files = std::make_unique<ChunkedCopyFileSystem>(bytes);
        return c;
    }

private:
    uint64_t m_maxSendRate;
};

}  // namespace

std::unique_ptr<IDeliveryFactory> MakePlatformDeliveryFactory(uint64_t maxSendRate) {
    return std::make_unique<WindowsDeliveryFactory>(maxSendRate);
}
