#include "device/FtpReplies.h"

#include <limits>

namespace {
// The final line of a (possibly multi-line) reply carries the answer.
std::wstring FinalLine(const std::wstring& reply) {
    std::wstring text = reply;
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
    size_t lineStart = text.find_last_of(L"\r\n");
    return lineStart == std::wstring::npos ? text : text.substr(lineStart + 1);
}
}  // namespace

IFtpSession::SizeAnswer SizeReplyAnswer(const std::wstring& reply) {
    const std::wstring line = FinalLine(reply);
    if (line.size() >= 4 && line.compare(0, 3, L"550") == 0 && line[3] == L' ') return IFtpSession::SizeAnswer::Missing;
    return IFtpSession::SizeAnswer::Unknown;
}

bool ParseSizeReply(const std::wstring& reply, unsigned long long* size) {
    const std::wstring line = FinalLine(reply);
    if (line.size() < 5 || line.compare(0, 4, L"213 ") != 0) return false;
    unsigned long long value = 0;
    size_t i = 4;
    for (; i < line.size() && line[i] >= L'0' && line[i] <= L'9'; ++i) {
        const unsigned digit = static_cast<unsigned>(line[i] - L'0');
        if (value > (std::numeric_limits<unsigned long long>::max() - digit) / 10) return false;
        value = value * 10 + digit;
    }
    if (i == 4 || i != line.size()) return false;
    *size = value;
    return true;
}
