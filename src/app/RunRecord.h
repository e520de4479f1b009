#pragma once
// The upgrade log's record of one run, filled alike by the window and the
// command line: the request before the run, the reports and the outcome
// after it.
#include <string>

#include "app/RecordingProgressSink.h"
#include "app/RunRequest.h"
#include "app/UpgradeRecord.h"

// Time, tool version, PC, model, connection, target and the pack's name.
// Reads nothing of the pack: its size and digest come with the outcome.
UpgradeRecord StartRunRecord(const RunRequest& request, const std::wstring& toolVersion);

// The pack's size and MD5 as the run found them, the variant that stayed,
// the disk used, every step, the result and the final text.
void FinishRunRecord(UpgradeRecord* record, const RunOutcome& outcome, const RecordingProgressSink& reports);
