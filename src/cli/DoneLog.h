#pragma once
// What the upgrade log says was already delivered, for `--skip-done`: the
// targets whose log holds a success for a pack of the same MD5 over the
// same connection. The pack's verify record names its model and kind, and
// the check refuses it for any other, so a success with that digest was a
// delivery of this kind. Reads the log and the one set aside before it.
#include <set>
#include <string>

struct DoneKey {
    std::string connection;  // "ethernet" or "usb"
    std::wstring target;
    bool operator<(const DoneKey& other) const {
        return connection != other.connection ? connection < other.connection : target < other.target;
    }
};

// The targets one line of the log names as done with `packMd5`; false when
// the line is no success record of that pack.
bool ReadDoneRecord(const std::string& line, const std::string& packMd5, DoneKey* key);

// Every target done with `packMd5` in the log at `logPath` (and its
// rotated predecessor). Lines that are no valid records are skipped.
std::set<DoneKey> ReadDoneTargets(const std::wstring& logPath, const std::string& packMd5);
