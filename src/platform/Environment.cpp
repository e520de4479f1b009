#include "platform/Environment.h"

#include <cstdio>

namespace platform {

namespace {
// Days since 1970-01-01 to a proleptic Gregorian date (Howard Hinnant's
// civil_from_days), so no C library time zone or range enters.
void CivilFromDays(int64_t days, int64_t* year, unsigned* month, unsigned* day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    *day = doy - (153 * mp + 2) / 5 + 1;
    *month = mp < 10 ? mp + 3 : mp - 9;
    *year = static_cast<int64_t>(yoe) + era * 400 + (*month <= 2 ? 1 : 0);
}
}  // namespace

std::string UtcTimeText(int64_t secondsSinceEpoch) {
    if (secondsSinceEpoch < 0) return {};
    const int64_t days = secondsSinceEpoch / 86400;
    const int64_t rest = secondsSinceEpoch % 86400;
    int64_t year = 0;
    unsigned month = 0, day = 0;
    CivilFromDays(days, &year, &month, &day);
    if (year > 9999) return {};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(year), month, day,
                  static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60));
    return text;
}

}  // namespace platform
