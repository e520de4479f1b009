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
// The record's model is the terminal model (a variant's base model, so a
// variant that stayed selected, or the one a batch's check found, is
// recorded as model and variant alike by both front ends).
UpgradeRecord StartRunRecord(const RunRequest& request, const std::wstring& toolVersion);

// From the run's outcome: the pack's size and MD5, the variant that
// stayed, the disk used, the result and the final text; from the reports:
// every step and how long it took.
void FinishRunRecord(UpgradeRecord* record, const RunOutcome& outcome, const RecordingProgressSink& reports);

// The whole record of a run that has ended, as both front ends write it:
// `startedAt` is the run's start (platform::UtcTimeText).
UpgradeRecord MakeRunRecord(const RunRequest& request, const RunOutcome& outcome, const RecordingProgressSink& reports,
                            const std::wstring& toolVersion, const std::string& startedAt);
