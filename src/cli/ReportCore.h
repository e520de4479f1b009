#pragma once
// Where a rollout stands, from the upgrade log: one row per terminal and
// pack with that terminal's latest record of the pack, and the terminals
// of the inventory that have none ("never tried"). Records of different
// packs (told apart by their MD5) never replace each other. Portable and
// free of I/O: the command feeds it the log's lines.
#include <cstddef>
#include <map>
#include <string>
#include <vector>

// The result of an inventory terminal with no record of a pack.
extern const char kNeverTried[];  // "never tried"

// A terminal as the inventory names it, already in the form the records
// identify it by: an Ethernet terminal by its address, a USB one by its
// disk's identity, or by the disk's path when it has none.
struct ReportTerminal {
    std::string connection;  // "ethernet" or "usb"
    std::wstring target;
    std::wstring name, site;
};

struct ReportRow {
    std::string connection;
    std::wstring target;      // the address, or the disk's identity (its path when it has none)
    std::wstring name, site;  // from the inventory; empty for a terminal only the log knows
    std::string result;       // as the log has it ("success", "failure", ...), or kNeverTried
    std::wstring text;        // the latest record's final text; empty when never tried
    std::string packMd5;
    std::wstring packName;
    std::string signer;
    std::string time;  // the latest record's start, UTC as logged
    int attempts = 0;  // the pack's records of this terminal, "not started" ones left out
};

struct Report {
    // Pack by pack, the pack with the newest record first; within a pack
    // the inventory's terminals in its order, then the others by target.
    // With no record at all: the inventory's terminals, never tried.
    std::vector<ReportRow> rows;
    std::vector<std::string> warnings;  // UTF-8: "upgrades.jsonl line 3: no upgrade record, read past"
};

class ReportBuilder {
public:
    // `since`: records that started before it are left out (a UTC date or
    // time as the log writes them, "2026-12-08" or "2026-12-08T18:00:00Z";
    // empty: all records).
    ReportBuilder(std::vector<ReportTerminal> inventory, std::string since);

    // One line of a log; `where` names it for a warning ("upgrades.jsonl
    // line 3"). Blank lines are skipped; a line that is no record naming a
    // terminal and a result is read past with a warning.
    void AddLine(const std::string& line, const std::string& where);

    Report Finish() const;

private:
    struct Latest {
        ReportRow row;
        size_t order = 0;  // the line's place in the reading, for records of one time
    };
    std::vector<ReportTerminal> inventory_;
    std::string since_;
    // pack MD5 -> connection and target -> the latest record
    std::map<std::string, std::map<std::pair<std::string, std::wstring>, Latest>> packs_;
    std::vector<std::string> warnings_;
    size_t lines_ = 0;
};

// The form a USB inventory target takes in the records: a disk identity
// as written ("usb 04CC:1213 5A6B7C", "volume 1A2B-3C4D") stays as it is;
// true for those.
bool IsDiskIdentityText(const std::wstring& target);

// An address with leading zeros dropped from its parts, as records write
// it ("198.051.100.021" -> "198.51.100.21").
std::wstring RecordedAddress(const std::wstring& address);
