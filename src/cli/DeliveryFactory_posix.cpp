#include "cli/DeliveryFactory.h"
#include "device/CurlFtpSession_posix.h"

// libcurl limits its own send rate.
std::unique_ptr<IFtpSession> MakePlatformFtpSession(ByteProgress bytes, uint64_t maxSendRate) {
    auto ftp = std::make_unique<CCurlFtpSession>();
    ftp->SetTransferProgress(std::move(bytes));
    ftp->SetMaxSendRate(maxSendRate);
    return ftp;
}
