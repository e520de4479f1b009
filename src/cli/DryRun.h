#pragma once
// One target of `--dry-run`: connects and logs in (Ethernet) or finds the
// disk's folder (USB), reports it in the target's row and writes nothing:
// no file on the terminal, no flag, no upgrade record.
#include "app/RunRequest.h"
#include "cli/DeliveryFactory.h"
#include "cli/StatusTable.h"

// The row's text when the target could be reached.
extern const wchar_t kWouldDeliverText[];  // L"would deliver"

// True when the target could be reached.
bool ProbeTarget(const RunRequest& request, DeliveryServices& connections, StatusTable& table, size_t index);
