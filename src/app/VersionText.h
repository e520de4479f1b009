#pragma once
// The version shown in the main window's title band.
#include <cstdint>
#include <string>

// "V" + "%d.%d.%d.%d" of the two version double words (most significant
// first, high word before low word). A text that already starts with "V"
// or "v" keeps it.
std::wstring FormatVersionText(uint32_t mostSignificant, uint32_t leastSignificant);

// The running executable's file version as above; "V" when it has no
// version block. (Windows build.)
std::wstring ExecutableVersionText();
