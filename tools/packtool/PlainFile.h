#pragma once
// Whether a path names an ordinary file: a FIFO, a device or a folder given
// as a pack would hang or mislead the reading.
#include <string>

bool IsPlainFile(const std::wstring& path);

// The text with control characters shown as \r, \n, \t or \xHH, so what a
// pack says cannot rewrite the line it is printed on.
std::wstring EscapeControls(const std::wstring& text);
