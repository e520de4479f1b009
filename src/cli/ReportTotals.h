#pragma once
// The report's totals: rows per result, per site and per pack, and the
// failure texts ranked by how often they are a terminal's latest.
#include <map>
#include <string>
#include <vector>

#include "cli/ReportCore.h"

using ResultCounts = std::map<std::string, int>;  // result as the log has it -> rows

struct SiteTotals {
    std::wstring site;  // empty for terminals no inventory places
    ResultCounts results;
};

struct TextCount {
    std::wstring text;
    int count = 0;
};

// "failure" or "refused": the terminal's latest delivery went wrong.
bool IsFailedResult(const std::string& result);

ResultCounts CountResults(const std::vector<ReportRow>& rows);

// In the order the sites first appear in the rows.
std::vector<SiteTotals> CountSites(const std::vector<ReportRow>& rows);

// pack MD5 -> its rows per result.
std::map<std::string, ResultCounts> CountPacks(const std::vector<ReportRow>& rows);

// The final texts of failed rows, the most frequent first (ties by text).
std::vector<TextCount> RankFailures(const std::vector<ReportRow>& rows);
