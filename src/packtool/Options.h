#pragma once
// The command line of the pack tool: one command, its options and operands.
#include <map>
#include <string>
#include <vector>

#include "app/DeviceModel.h"

struct ToolOptions {
    std::wstring command;                       // make, check, info, sign, keygen
    std::map<std::wstring, std::wstring> values;  // "--model" -> "M3710"
    std::vector<std::wstring> operands;
    std::vector<std::wstring> trustedKeys;        // each --trusted-key, in order
    bool help = false;
};

// False (with the reason) for an unknown option or one without its value.
bool ParseToolOptions(const std::vector<std::wstring>& args, ToolOptions* options, std::wstring* error);

// "app", "system", "tool" -> 0, 1, 2.
bool ParsePackKind(const std::wstring& text, PackKind* kind);
// Index of one of the seven models of the table, or -1.
int FindModelIndex(const std::wstring& name);
// The seven models and the two variants a pack may name.
bool IsPackModelName(const std::wstring& name);
// "AppUpgradePack.zip", "SystemUpgradePack.zip", "ToolUpgradePack.zip".
std::wstring DefaultPackName(PackKind kind);
