#pragma once
// Appending to a log file and replacing one file by another, for records
// that must never be half written or rewritten.
#include <string>

namespace platform {

// Appends `bytes` to the file (made if missing) with one write call on a
// handle opened for appending only (O_APPEND natively, FILE_APPEND_DATA on
// Windows), so concurrent appenders never interleave inside the bytes and
// nothing before the end is touched. Never waits on the file: natively it
// opens without blocking (a FIFO without reader fails at once). A short
// write (disk full) is cut back off natively when nobody appended since;
// Windows fails such a write whole. False on any failure.
bool AppendToFile(const std::wstring& path, const std::string& bytes);

// Renames `from` to `to`, replacing a file `to` (rename natively,
// MoveFileExW with MOVEFILE_REPLACE_EXISTING on Windows). False on failure;
// then both stay as they were.
bool RenameReplacing(const std::wstring& from, const std::wstring& to);

}  // namespace platform
