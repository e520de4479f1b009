#include "cli/ReportOptions.h"

#include "platform/Text.h"

namespace {

// Two digits at s[at] from `low` to `high`.
bool TwoDigits(const std::string& s, size_t at, int low, int high) {
    if (at + 2 > s.size() || s[at] < '0' || s[at] > '9' || s[at + 1] < '0' || s[at + 1] > '9') return false;
    const int value = (s[at] - '0') * 10 + (s[at + 1] - '0');
    return value >= low && value <= high;
}

}  // namespace

bool ParseReportSince(const std::wstring& text, std::string* since) {
    std::string s = platform::WideToUtf8(text);
    if (!s.empty() && s.back() == 'Z') s.pop_back();
    const bool date = s.size() >= 10 && TwoDigits(s, 0, 0, 99) && TwoDigits(s, 2, 0, 99) && s[4] == '-' &&
                      TwoDigits(s, 5, 1, 12) && s[7] == '-' && TwoDigits(s, 8, 1, 31);
    if (!date) return false;
    const bool ok = s.size() == 10 || (s.size() >= 16 && s[10] == 'T' && TwoDigits(s, 11, 0, 23) && s[13] == ':' &&
                                       TwoDigits(s, 14, 0, 59) &&
                                       (s.size() == 16 || (s.size() == 19 && s[16] == ':' && TwoDigits(s, 17, 0, 59))));
    if (ok) *since = s;
    return ok;
}

bool ParseReportOptions(const std::vector<std::wstring>& args, ReportOptions* options, std::wstring* error) {
    for (size_t i = 1; i < args.size(); ++i) {
        const std::wstring& a = args[i];
        if (a == L"--json") {
            options->json = true;
            continue;
        }
        if (a != L"--log" && a != L"--targets" && a != L"--html" && a != L"--since") {
            *error = L"unknown option " + a;
            return false;
        }
        if (i + 1 >= args.size()) {
            *error = a + L" needs a value";
            return false;
        }
        const std::wstring& value = args[++i];
        if (a == L"--log") {
            options->logs.push_back(value);
        } else if (a == L"--targets") {
            options->inventories.push_back(value);
        } else if (a == L"--html") {
            options->htmlPath = value;
        } else if (!ParseReportSince(value, &options->since)) {
            *error = L"--since needs a UTC date or time (2026-12-08, 2026-12-08T18:00:00Z), not " + value;
            return false;
        }
    }
    return true;
}
