#pragma once
// Facts about the machine, the user and the moment, for the portable code:
// environment variables, the user's folder for state files, the PC's name
// and the current UTC time. Paths come back backslash-separated, without a
// trailing separator, as everywhere in the portable code.
#include <cstdint>
#include <string>

namespace platform {

// The variable's value; false when it is not set (an empty value is set).
// Windows: GetEnvironmentVariableW; native: getenv, the value read as UTF-8.
bool ReadEnvironment(const std::wstring& name, std::wstring* value);
// Sets the variable for this process (and its children); a null value
// removes it. Counterpart of ReadEnvironment, used by tests.
bool WriteEnvironment(const std::wstring& name, const std::wstring* value);

// The user's folder for files a program keeps about its own past:
// Windows %LOCALAPPDATA% (SHGetFolderPath CSIDL_LOCAL_APPDATA, else the
// variable LOCALAPPDATA); native $XDG_STATE_HOME when it is an absolute
// path, else $HOME/.local/state. Empty when none is known.
std::wstring UserStateFolder();

// The PC's name (Windows: GetComputerNameW; native: gethostname). Empty
// when it cannot be read.
std::wstring MachineName();

// ISO 8601 UTC time with seconds, "2026-12-08T18:20:31Z": now, or of a
// count of seconds since 1970-01-01 (negative counts and years past 9999
// give an empty text).
std::string UtcTimeText();
std::string UtcTimeText(int64_t secondsSinceEpoch);

}  // namespace platform
