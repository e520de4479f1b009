#pragma once
// packtool info: what a pack says about itself, read from the archive
// without extracting it.
#include <string>

#include "packtool/ToolOutput.h"

int ShowPackInfo(const std::wstring& pack, ToolOutput& io);
