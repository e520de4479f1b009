#include "cli/DeliveryFactory.h"

#include "cli/ChunkedCopyFileSystem.h"
#include "device/StartClient.h"

namespace {

class PlatformDeliveryFactory : public IDeliveryFactory {
public:
    explicit PlatformDeliveryFactory(uint64_t maxSendRate) : m_maxSendRate(maxSendRate) {}

    DeliveryServices Make(ByteProgress bytes) override {
        DeliveryServices c;
        c.ftp = MakePlatformFtpSession(bytes, m_maxSendRate);
        c.start = std::make_unique<CStartClient>();
        c.files = std::make_unique<ChunkedCopyFileSystem>(bytes);
        return c;
    }

private:
    uint64_t m_maxSendRate;
};

}  // namespace

std::unique_ptr<IDeliveryFactory> MakePlatformDeliveryFactory(uint64_t maxSendRate) {
    return std::make_unique<PlatformDeliveryFactory>(maxSendRate);
}
