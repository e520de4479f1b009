#pragma once
// What to deliver, where and how: as the command line reads it, and as a
// batch carries it out (which adds what it finds when it runs).
#include <string>
#include <vector>

#include "app/DeviceModel.h"
#include "cli/RolloutOptions.h"

struct DeliveryOrder {
    int modelIndex = -1;  // the operator's model; -1 until one is named
    std::wstring modelName;
    PackKind kind = kPackApplication;
    std::wstring packPath;
    ConnectionMode connection = kConnectionEthernet;
    // Addresses, or USB folders (as given on the command line; a batch
    // holds them absolute, with a trailing separator).
    std::vector<std::wstring> targets;
    int jobs = 4;
    RolloutOptions rollout;
};
