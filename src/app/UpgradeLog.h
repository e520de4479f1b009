#pragma once
// The upgrade log: one JSON line (FormatUpgradeRecord) per run, appended to
//   Windows:  %LOCALAPPDATA%\Quillon\upgrades.jsonl
//   native:   $XDG_STATE_HOME/quillon/upgrades.jsonl (~/.local/state/...)
// or to the file named by the environment variable QUILLON_UPGRADE_LOG.
// A file above 10 MiB is renamed to "upgrades.1.jsonl" (replacing the
// older one) before the next line goes into a new file; no line is ever
// rewritten. Writing the log never fails or holds up a run: every failure
// is a false return, nothing is retried or waited for.
#include <cstdint>
#include <string>

#include "app/UpgradeRecord.h"

// The variable that names the log file instead of the default place.
extern const wchar_t kUpgradeLogVariable[];  // L"QUILLON_UPGRADE_LOG"

// Above this many bytes the log is set aside before the next line.
constexpr uint64_t kUpgradeLogRotateBytes = 10ull * 1024 * 1024;

// QUILLON_UPGRADE_LOG when it is set and not empty (slashes become
// backslashes), else the default place above; empty when the user's state
// folder is unknown.
std::wstring DefaultUpgradeLogPath();

// The name the log is set aside under: ".1" before the file name's last
// extension ("upgrades.jsonl" -> "upgrades.1.jsonl", "log" -> "log.1").
std::wstring RotatedUpgradeLogPath(const std::wstring& logPath);

// Makes the log's folder (and the folders above it) when missing, sets a
// log of more than `rotateAboveBytes` aside, and appends the record's line
// with one append call (platform::AppendToFile). A log that cannot be set
// aside keeps growing rather than lose the line. True when the line was
// written; false on any failure (empty path, folder that cannot be made,
// file that cannot be written); never throws.
bool AppendUpgradeRecord(const std::wstring& logPath, const UpgradeRecord& record);
bool AppendUpgradeRecord(const std::wstring& logPath, const UpgradeRecord& record, uint64_t rotateAboveBytes);
