#include "cli/DeliveryFactory.h"
#include "cli/UploadPacer.h"
#include "device/FtpClient.h"

std::unique_ptr<IFtpSession> MakePlatformFtpSession(ByteProgress bytes, uint64_t maxSendRate) {
    auto ftp = std::make_unique<CFtpClient>();
    if (maxSendRate == 0) {
        ftp->SetTransferProgress(std::move(bytes));
        return ftp;
    }
    // The client reports after every chunk it wrote; the pause before the
    // next one holds the upload to the rate.
    auto pacer = std::make_shared<UploadPacer>(maxSendRate);
    ftp->SetTransferProgress([pacer, bytes](uint64_t sent, uint64_t total) {
        if (bytes) bytes(sent, total);
        pacer->Pace(sent);
    });
    return ftp;
}
