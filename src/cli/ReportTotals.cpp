#include "cli/ReportTotals.h"

#include <algorithm>

bool IsFailedResult(const std::string& result) { return result == "failure" || result == "refused"; }

ResultCounts CountResults(const std::vector<ReportRow>& rows) {
    ResultCounts counts;
    for (const ReportRow& row : rows) ++counts[row.result];
    return counts;
}

std::vector<SiteTotals> CountSites(const std::vector<ReportRow>& rows) {
    std::vector<SiteTotals> sites;
    for (const ReportRow& row : rows) {
        auto site = std::find_if(sites.begin(), sites.end(), [&](const SiteTotals& s) { return s.site == row.site; });
        if (site == sites.end()) site = sites.insert(sites.end(), SiteTotals{row.site, {}});
        ++site->results[row.result];
    }
    return sites;
}

std::map<std::string, ResultCounts> CountPacks(const std::vector<ReportRow>& rows) {
    std::map<std::string, ResultCounts> packs;
    for (const ReportRow& row : rows) ++packs[row.packMd5][row.result];
    return packs;
}

std::vector<TextCount> RankFailures(const std::vector<ReportRow>& rows) {
    std::map<std::wstring, int> counts;
    for (const ReportRow& row : rows)
        if (IsFailedResult(row.result)) ++counts[row.text];
    std::vector<TextCount> ranked;
    for (const auto& [text, count] : counts) ranked.push_back({text, count});
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const TextCount& a, const TextCount& b) { return a.count > b.count; });
    return ranked;
}
