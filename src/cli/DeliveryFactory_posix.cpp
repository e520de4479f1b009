#include "cli/ChunkedCopyFileSystem.h"
#include "cli/DeliveryFactory.h"
#include "device/CurlFtpSession_posix.h"
#include "device/PosixStartCommand_posix.h"

namespace {
class PosixDeliveryFactory : public IDeliveryFactory {
public:
    DeliveryConnections Make(ByteProgress bytes) override {
        DeliveryConnections c;
        auto ftp = std::make_unique<CCurlFtpSession>();
        ftp->SetTransferProgress(bytes);
        c.ftp = std::move(ftp);
        c.start = std::make_unique<CPosixStartCommand>();
        c.files = std::make_unique<ChunkedCopyFileSystem>(bytes);
        return c;
    }
};
}  // namespace

std::unique_ptr<IDeliveryFactory> MakePlatformDeliveryFactory() { return std::make_unique<PosixDeliveryFactory>(); }
