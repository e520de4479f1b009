#pragma once
// Whether a path names an ordinary file: a FIFO, a device or a folder given
// as a pack would hang or mislead the reading.
#include <string>

bool IsPlainFile(const std::wstring& path);

// Why a pack given to a command cannot be read as one (": no such file",
// ": not a regular file"), or empty.
std::wstring PackFileProblem(const std::wstring& pack);

// The text with control characters shown as \r, \n, \t or \xHH, and the
// bidirectional controls (U+202A-U+202E, U+2066-U+2069, the marks U+200E,
// U+200F, U+061C) as \uHHHH, so what a pack says cannot rewrite or
// reorder the line it is printed on.
std::wstring EscapeControls(const std::wstring& text);
