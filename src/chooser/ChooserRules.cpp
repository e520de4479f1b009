#include "chooser/ChooserRules.h"

#include <cwctype>

namespace chooser {

const wchar_t kDesktopText[] = L"桌面";
const wchar_t kDocumentsText[] = L"我的文档";

namespace {
const wchar_t* const kPackNames[] = {L"AppUpgradePack.zip", L"SystemUpgradePack.zip", L"ToolUpgradePack.zip"};

std::wstring Uppered(const std::wstring& text) {
    std::wstring out(text);
    for (wchar_t& c : out) c = static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(c)));
    return out;
}

// A drive item's text without its " (label)": the part before the first
// "(" after the first character, less the blank before it.
std::wstring DriveOfItemText(const std::wstring& text) {
    const size_t open = text.find(L'(', 1);
    if (open == std::wstring::npos) return text;
    return text.substr(0, open - 1);
}
}  // namespace

bool IsPackName(const std::wstring& name) {
    for (const wchar_t* pack : kPackNames)
        if (name == pack) return true;
    return false;
}

std::wstring Lowered(const std::wstring& text) {
    std::wstring out(text);
    for (wchar_t& c : out) c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
    return out;
}

int CompareChildren(const std::wstring& a, bool aIsPack, const std::wstring& b, bool bIsPack) {
    if (aIsPack != bIsPack) return aIsPack ? 1 : -1;
    const int order = Lowered(a).compare(Lowered(b));
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

std::wstring DriveItemText(const std::wstring& drive, const std::wstring& label) {
    return label.empty() ? drive : drive + L" (" + label + L")";
}

std::wstring ItemPathFromTexts(const std::vector<std::wstring>& textsRootFirst, const std::wstring& desktop,
                               const std::wstring& documents) {
    if (textsRootFirst.empty()) return std::wstring();
    const std::wstring& root = textsRootFirst.front();
    std::wstring path;
    if (root == kDesktopText)
        path = desktop;
    else if (root == kDocumentsText)
        path = documents;
    else
        path = DriveOfItemText(root);
    path += L'\\';
    for (size_t i = 1; i < textsRootFirst.size(); ++i) path += textsRootFirst[i] + L'\\';
    return path;
}

std::vector<std::wstring> SplitRememberedPath(const std::wstring& path) {
    std::vector<std::wstring> tokens;
    std::wstring current;
    auto flush = [&] {
        if (!current.empty()) tokens.push_back(current);
        current.clear();
    };
    for (wchar_t c : path) {
        if (c == L'\\' || c == L'/')
            flush();
        else
            current += c;
    }
    flush();
    if (!tokens.empty()) tokens.front() = Uppered(tokens.front()) + L'\\';
    return tokens;
}

std::wstring WithoutTrailingBackslash(const std::wstring& path) {
    if (!path.empty() && path.back() == L'\\') return path.substr(0, path.size() - 1);
    return path;
}

}  // namespace chooser
