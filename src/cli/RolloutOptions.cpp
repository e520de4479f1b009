#include "cli/RolloutOptions.h"

namespace {

bool ParseCount(const std::wstring& text, unsigned long max, unsigned long* value) {
    if (text.empty() || text.size() > 9) return false;
    unsigned long v = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        v = v * 10 + static_cast<unsigned long>(c - L'0');
    }
    if (v > max) return false;
    *value = v;
    return true;
}

}  // namespace

bool ParseMaxFail(const std::wstring& text, MaxFail* maxFail) {
    const bool percent = !text.empty() && text.back() == L'%';
    unsigned long value = 0;
    if (!ParseCount(percent ? text.substr(0, text.size() - 1) : text, percent ? 100 : 100000000, &value))
        return false;
    maxFail->set = true;
    maxFail->percent = percent;
    maxFail->value = static_cast<unsigned>(value);
    return true;
}

bool ParseRate(const std::wstring& text, uint64_t* bytesPerSecond) {
    if (text.empty()) return false;
    uint64_t unit = 1;
    std::wstring digits = text;
    switch (text.back()) {
    case L'K': case L'k': unit = 1ull << 10; break;
    case L'M': case L'm': unit = 1ull << 20; break;
    case L'G': case L'g': unit = 1ull << 30; break;
    default: break;
    }
    if (unit != 1) digits.pop_back();
    unsigned long value = 0;
    if (!ParseCount(digits, 999999999, &value) || value == 0) return false;
    *bytesPerSecond = value * unit;
    return true;
}

RolloutParse ParseRolloutOption(const std::vector<std::wstring>& args, size_t* i, RolloutOptions* o,
                                std::wstring* error) {
    const std::wstring& a = args[*i];
    if (a == L"--skip-done") {
        o->skipDone = true;
        return RolloutParse::Taken;
    }
    if (a == L"--dry-run") {
        o->dryRun = true;
        return RolloutParse::Taken;
    }
    if (a != L"--canary" && a != L"--max-fail" && a != L"--retries" && a != L"--max-rate")
        return RolloutParse::NotRollout;
    if (*i + 1 >= args.size()) {
        *error = a + L" needs a value";
        return RolloutParse::Refused;
    }
    const std::wstring& v = args[++*i];
    unsigned long n = 0;
    if (a == L"--canary") {
        if (!ParseCount(v, 100000, &n) || n < 1) {
            *error = L"--canary needs a number of at least 1";
            return RolloutParse::Refused;
        }
        o->canary = n;
    } else if (a == L"--retries") {
        if (!ParseCount(v, 100, &n)) {
            *error = L"--retries needs a number from 0 to 100";
            return RolloutParse::Refused;
        }
        o->retries = static_cast<int>(n);
    } else if (a == L"--max-fail") {
        if (!ParseMaxFail(v, &o->maxFail)) {
            *error = L"--max-fail needs a percentage (25%) or a count (3)";
            return RolloutParse::Refused;
        }
    } else if (!ParseRate(v, &o->maxRate)) {
        *error = L"--max-rate needs bytes per second (500000, 512K, 2M)";
        return RolloutParse::Refused;
    }
    return RolloutParse::Taken;
}
