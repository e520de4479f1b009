#pragma once
// packtool check: extracts a pack into a fresh temporary folder and runs the
// model match and intactness decision of the upgrade run.
#include <string>

#include "packtool/ToolOutput.h"
#include "app/DeviceModel.h"

struct TrustedKeys;

// With keys in `trust` the pack's signature is checked first.
int CheckPack(int modelIndex, PackKind kind, const std::wstring& pack, ToolOutput& io,
              const TrustedKeys* trust = nullptr);

// Where check extracts a pack inside its scratch folder; info judges the
// output paths against the same place, so both refuse the same packs.
std::wstring CheckFolderIn(const std::wstring& scratchFolder);
