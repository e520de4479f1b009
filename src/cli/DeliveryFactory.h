#pragma once
// The connections of one delivery, made fresh for every target so that
// parallel deliveries share nothing: its FTP session, its start command and
// its file operations, each reporting the bytes of a transfer to `bytes`.
// One implementation per platform (MakePlatformDeliveryFactory).
#include <cstdint>
#include <functional>
#include <memory>

#include "app/RunServices.h"

using ByteProgress = std::function<void(uint64_t sent, uint64_t total)>;

struct DeliveryServices {
    std::unique_ptr<IFtpSession> ftp;
    std::unique_ptr<IStartCommand> start;
    std::unique_ptr<RunFileSystem> files;
};

class IDeliveryFactory {
public:
    virtual ~IDeliveryFactory() = default;
    virtual DeliveryServices Make(ByteProgress bytes) = 0;
};

// `maxSendRate`: bytes per second each upload is held to (0: no limit).
std::unique_ptr<IDeliveryFactory> MakePlatformDeliveryFactory(uint64_t maxSendRate = 0);

// The platform's FTP session (WinInet's, libcurl's), reporting every
// upload's bytes to `bytes` and held to `maxSendRate`.
std::unique_ptr<IFtpSession> MakePlatformFtpSession(ByteProgress bytes, uint64_t maxSendRate);
