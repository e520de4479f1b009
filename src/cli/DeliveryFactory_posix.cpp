#include "cli/ChunkedCopyFileSystem.h"
#include "cli/DeliveryFactory.h"
#include "device/CurlFtpSession_posix.h"
#include "device/StartClient.h"

namespace {
class PosixDeliveryFactory : public IDeliveryFactory {
public:
    explicit PosixDeliveryFactory(uint64_t maxSendRate) : m_maxSendRate(maxSendRate) {}
    DeliveryServices Make(ByteProgress bytes) override {
        DeliveryServices c;
        auto ftp = std::make_unique<CCurlFtpSession>();
        ftp->SetTransferProgress(bytes);
        ftp->SetMaxSendRate(m_maxSendRate);
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
    return std::make_unique<PosixDeliveryFactory>(maxSendRate);
}
