#include "packtool/Options.h"

namespace {
bool TakesValue(const std::wstring& option) {
    return option == L"--model" || option == L"--kind" || option == L"-o" || option == L"--key" ||
           option == L"--comment";
}
}  // namespace

bool ParseToolOptions(const std::vector<std::wstring>& args, ToolOptions* options, std::wstring* error) {
    *options = ToolOptions();
    size_t i = 0;
    if (i < args.size() && args[i] != L"--help" && args[i] != L"-h") options->command = args[i++];
    for (; i < args.size(); ++i) {
        const std::wstring& a = args[i];
        if (a == L"--help" || a == L"-h") {
            options->help = true;
        } else if (a == L"--trusted-key") {
            if (i + 1 >= args.size()) {
                *error = L"option " + a + L" needs a value";
                return false;
            }
            options->trustedKeys.push_back(args[++i]);
        } else if (TakesValue(a)) {
            if (i + 1 >= args.size()) {
                *error = L"option " + a + L" needs a value";
                return false;
            }
            options->values[a] = args[++i];
        } else if (a.size() > 1 && a[0] == L'-') {
            *error = L"unknown option " + a;
            return false;
        } else {
            options->operands.push_back(a);
        }
    }
    return true;
}

bool ParsePackKind(const std::wstring& text, PackKind* kind) {
    if (text == L"app") *kind = kPackApplication;
    else if (text == L"system") *kind = kPackSystem;
    else if (text == L"tool") *kind = kPackTool;
    else return false;
    return true;
}

int FindModelIndex(const std::wstring& name) {
    for (int i = 0; i < kModelCount; ++i)
        if (name == kDeviceModels[i].name) return i;
    return -1;
}

bool IsPackModelName(const std::wstring& name) {
    return FindModelIndex(name) >= 0 || name == L"M3710S5" || name == L"VK1500";
}

std::wstring DefaultPackName(PackKind kind) {
    switch (kind) {
        case kPackSystem: return L"SystemUpgradePack.zip";
        case kPackTool: return L"ToolUpgradePack.zip";
        default: return L"AppUpgradePack.zip";
    }
}
