#pragma once
// How a batch rolls out over many targets: waves (a canary wave first, a
// failure budget after which no new delivery starts), resume from the
// upgrade log, a dry run, retries of deliveries that never connected, and
// an upload rate limit. Portable; read from the `upgrade` options.
#include <cstdint>
#include <string>
#include <vector>

// `--max-fail`: a count of failed deliveries, or a percentage of the
// finished ones ("25%").
struct MaxFail {
    bool set = false;
    bool percent = false;
    unsigned value = 0;
};

struct RolloutOptions {
    size_t canary = 0;         // `--canary N`: the first N targets alone, first
    MaxFail maxFail;           // `--max-fail PERCENT%|COUNT`
    bool skipDone = false;     // `--skip-done`
    bool dryRun = false;       // `--dry-run`
    int retries = 0;           // `--retries N`: connection failures only
    uint64_t maxRate = 0;      // `--max-rate RATE`: bytes per second of each upload, 0 for none
};

enum class RolloutParse { NotRollout, Taken, Refused };

// Reads the rollout option at args[*i] (and its value, moving *i past it).
// NotRollout leaves *i alone; Refused sets *error.
RolloutParse ParseRolloutOption(const std::vector<std::wstring>& args, size_t* i, RolloutOptions* options,
                                std::wstring* error);

// "25%" or "3"; percentages 0 to 100.
bool ParseMaxFail(const std::wstring& text, MaxFail* maxFail);
// Bytes per second: "500000", "512K", "2M", "1G" (K, M, G binary multiples).
bool ParseRate(const std::wstring& text, uint64_t* bytesPerSecond);
