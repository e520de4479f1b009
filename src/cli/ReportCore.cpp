#include "cli/ReportCore.h"

#include <algorithm>
#include <set>
#include <utility>

#include "cli/JsonLines.h"
#include "platform/Text.h"

const char kNeverTried[] = "never tried";

namespace {

bool IsBlank(const std::string& line) { return line.find_first_not_of(" \t\r") == std::string::npos; }

}  // namespace

ReportBuilder::ReportBuilder(std::vector<ReportTerminal> inventory, std::string since)
    : inventory_(std::move(inventory)), since_(std::move(since)) {}

void ReportBuilder::AddLine(const std::string& line, const std::string& where) {
    if (IsBlank(line)) return;
    std::map<std::string, std::string> fields;
    if (!ReadJsonStringFields(line, &fields)) {
        warnings_.push_back(where + ": not a JSON record, read past");
        return;
    }
    ReportRow row;
    row.connection = fields["connection"];
    // A USB terminal is its disk's identity; only a disk without one is its path.
    row.target = platform::Utf8ToWide(row.connection == "usb" && !fields["disk_id"].empty() ? fields["disk_id"]
                                                                                            : fields["target"]);
    row.result = fields["result"];
    if ((row.connection != "usb" && row.connection != "ethernet") || row.target.empty() || row.result.empty()) {
        warnings_.push_back(where + ": no upgrade record (connection, target and result), read past");
        return;
    }
    row.time = fields["time"];
    if (!since_.empty() && row.time < since_) return;
    row.text = platform::Utf8ToWide(fields["final_text"]);
    row.packMd5 = fields["pack_md5"];
    row.packName = platform::Utf8ToWide(fields["pack_name"]);
    row.signer = fields["signer"];

    Latest& latest = packs_[row.packMd5][{row.connection, row.target}];
    const int attempts = latest.row.attempts + (row.result == "not started" ? 0 : 1);
    const size_t order = ++lines_;
    // Logs from several PCs may come in any order: the later start wins,
    // and of two equal times the one read later.
    if (latest.order == 0 || row.time >= latest.row.time) {
        latest.row = row;
        latest.order = order;
    }
    latest.row.attempts = attempts;
}

Report ReportBuilder::Finish() const {
    Report report;
    report.warnings = warnings_;
    // The pack with the newest record first.
    std::vector<std::pair<std::pair<std::string, size_t>, std::string>> packOrder;
    for (const auto& [md5, terminals] : packs_) {
        std::pair<std::string, size_t> newest;
        for (const auto& [key, latest] : terminals)
            newest = std::max(newest, std::make_pair(latest.row.time, latest.order));
        packOrder.push_back({newest, md5});
    }
    std::sort(packOrder.rbegin(), packOrder.rend());
    if (packOrder.empty()) packOrder.push_back({{}, std::string()});

    for (const auto& [newest, md5] : packOrder) {
        static const std::map<std::pair<std::string, std::wstring>, Latest> kNone;
        const auto found = packs_.find(md5);
        const auto& terminals = found == packs_.end() ? kNone : found->second;
        std::wstring packName;
        for (const auto& [key, latest] : terminals) packName = latest.row.packName;
        std::set<std::pair<std::string, std::wstring>> shown;
        for (const ReportTerminal& terminal : inventory_) {
            const std::pair<std::string, std::wstring> key{terminal.connection, terminal.target};
            if (!shown.insert(key).second) continue;
            ReportRow row;
            const auto record = terminals.find(key);
            if (record != terminals.end()) {
                row = record->second.row;
            } else {
                row.connection = terminal.connection;
                row.target = terminal.target;
                row.result = kNeverTried;
                row.packMd5 = md5;
                row.packName = packName;
            }
            row.name = terminal.name;
            row.site = terminal.site;
            report.rows.push_back(row);
        }
        for (const auto& [key, latest] : terminals)
            if (!shown.count(key)) report.rows.push_back(latest.row);
    }
    return report;
}

bool IsDiskIdentityText(const std::wstring& target) {
    return target.compare(0, 4, L"usb ") == 0 || target.compare(0, 7, L"volume ") == 0;
}

std::wstring RecordedAddress(const std::wstring& address) {
    std::wstring out;
    size_t start = 0;
    for (;;) {
        const size_t dot = address.find(L'.', start);
        std::wstring part = address.substr(start, dot == std::wstring::npos ? std::wstring::npos : dot - start);
        while (part.size() > 1 && part[0] == L'0') part.erase(0, 1);
        out += part;
        if (dot == std::wstring::npos) return out;
        out += L'.';
        start = dot + 1;
    }
}
