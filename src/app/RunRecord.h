#pragma once
// The upgrade log's record of one run, filled alike by the window and the
// command line: the request before the run, the reports and the outcome
// after it.
#include <string>

#include "app/RecordingProgressSink.h"
#include "app/RunRequest.h"
#include "app/RunServices.h"
#include "app/UpgradeRecord.h"

// Time, tool version, PC, model, connection, target and the pack's name,
// size and MD5 (through `files`; left empty when it cannot be read).
UpgradeRecord StartRunRecord(const RunRequest& request, RunFileSystem& files, const std::wstring& toolVersion);

// The variant that stayed, the disk used, every step, the result and the
// final text.
void FinishRunRecord(UpgradeRecord* record, const RunOutcome& outcome, const RecordingProgressSink& reports);
