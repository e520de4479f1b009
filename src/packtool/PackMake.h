#pragma once
// packtool make: writes the verify record and the manifest for a folder and
// zips the folder's content with them at the top of the archive. The source
// folder is not changed.
#include <string>

#include "packtool/ToolOutput.h"
#include "app/DeviceModel.h"

int MakePack(const std::wstring& model, PackKind kind, const std::wstring& folder, const std::wstring& output,
             ToolOutput& io);
