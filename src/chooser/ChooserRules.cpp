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

ChooserNode RootNode(const std::wstring& text, const std::wstring& folder) {
    return ChooserNode{text, folder + L'\\', ChooserNode::Kind::Folder};
}

ChooserNode ChildNode(const ChooserNode& parent, const std::wstring& name, ChooserNode::Kind kind) {
    std::wstring path = parent.path + name;
    if (kind == ChooserNode::Kind::Folder) path += L'\\';
    return ChooserNode{name, path, kind};
}

int CompareChildren(const ChooserNode& a, const ChooserNode& b) {
    if (a.IsPack() != b.IsPack()) return a.IsPack() ? 1 : -1;
    const int order = Lowered(a.name).compare(Lowered(b.name));
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

std::wstring DriveItemText(const std::wstring& drive, const std::wstring& label) {
    return label.empty() ? drive : drive + L" (" + label + L")";
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

}  // namespace chooser
