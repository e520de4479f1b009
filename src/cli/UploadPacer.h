#pragma once
// Holds an upload to a rate for clients that send a file in chunks and
// report each one (the Windows FTP client): called with the bytes sent so
// far, it sleeps until that many bytes are due at the rate, counted from
// the transfer's first report (0 bytes). libcurl paces its own uploads.
#include <chrono>
#include <cstdint>

class UploadPacer {
public:
    explicit UploadPacer(uint64_t bytesPerSecond) : m_rate(bytesPerSecond) {}
    void Pace(uint64_t sent);

private:
    using Clock = std::chrono::steady_clock;
    uint64_t m_rate;
    Clock::time_point m_start = Clock::now();
};
