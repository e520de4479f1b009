#include "packtool/ToolOutput.h"

#include "platform/Text.h"

void ToolOutput::Out(const std::wstring& line) { out += platform::WideToUtf8(line) + "\n"; }
void ToolOutput::Err(const std::wstring& line) { err += platform::WideToUtf8(line) + "\n"; }
