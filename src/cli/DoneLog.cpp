#include "cli/DoneLog.h"

#include <map>

#include "app/UpgradeLog.h"
#include "cli/JsonLines.h"
#include "platform/Text.h"

namespace {

// The latest attempt at every terminal, later lines replacing earlier ones.
void ReadLogFile(const std::wstring& path, std::map<DoneKey, LoggedAttempt>* latest) {
    ReadFileLines(path, [latest](const std::string& line) {
        LoggedAttempt attempt;
        if (ReadLoggedAttempt(line, &attempt)) (*latest)[attempt.key] = attempt;
    });
}

}  // namespace

bool ReadLoggedAttempt(const std::string& line, LoggedAttempt* attempt) {
    std::map<std::string, std::string> fields;
    if (!ReadJsonStringFields(line, &fields)) return false;
    attempt->key.connection = fields["connection"];
    // A USB disk is known by its identity, never by the path it had.
    const std::string& target = attempt->key.connection == "usb" ? fields["disk_id"] : fields["target"];
    if (target.empty() || fields["result"].empty()) return false;
    attempt->key.target = platform::Utf8ToWide(target);
    attempt->success = fields["result"] == "success";
    attempt->packMd5 = fields["pack_md5"];
    return true;
}

std::set<DoneKey> ReadDoneTargets(const std::wstring& logPath, const std::string& packMd5) {
    std::set<DoneKey> done;
    if (logPath.empty() || packMd5.empty()) return done;
    std::map<DoneKey, LoggedAttempt> latest;
    ReadLogFile(RotatedUpgradeLogPath(logPath), &latest);
    ReadLogFile(logPath, &latest);
    for (const auto& [key, attempt] : latest)
        if (attempt.success && attempt.packMd5 == packMd5) done.insert(key);
    return done;
}
