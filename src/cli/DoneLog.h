#pragma once
// What the upgrade log says was already delivered, for `--skip-done`. A
// terminal counts as done only when its latest record is a success with a
// pack of the same MD5 over the same connection: a later failure, a
// "not started" or another pack makes it due again. Terminals are known by
// their address, or by their USB disk's identity (a USB serial or a volume
// serial); a disk known only by its path (every terminal's may be E:\)
// is never taken as done. The pack's verify record names its model and
// kind, and the check refuses it for any other, so a success with that
// digest was a delivery of this kind. Reads the log and the one set aside
// before it, oldest first.
#include <set>
#include <string>

struct DoneKey {
    std::string connection;  // "ethernet" or "usb"
    std::wstring target;     // the address, or the USB disk's identity
    bool operator<(const DoneKey& other) const {
        return connection != other.connection ? connection < other.connection : target < other.target;
    }
    bool operator==(const DoneKey& other) const { return connection == other.connection && target == other.target; }
};

// What one line of the log says of one terminal.
struct LoggedAttempt {
    DoneKey key;
    bool success = false;  // "result":"success"
    std::string packMd5;
};

// False when the line is no record that names a terminal by something
// that identifies it.
bool ReadLoggedAttempt(const std::string& line, LoggedAttempt* attempt);

// Every terminal whose latest record in the log at `logPath` (and its
// rotated predecessor) is a success with `packMd5`. Lines that are no
// valid records are skipped.
std::set<DoneKey> ReadDoneTargets(const std::wstring& logPath, const std::string& packMd5);
