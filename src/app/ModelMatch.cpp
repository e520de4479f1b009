#include "app/ModelMatch.h"

namespace {
const wchar_t kM3710S5[] = L"M3710S5";
const wchar_t kVK1500[] = L"VK1500";
}  // namespace

std::wstring PackKindName(int32_t kind) {
    switch (kind) {
        case kPackApplication: return L"APP";
        case kPackSystem: return L"SYSTEM";
        case kPackTool: return L"TOOL";
        default: return std::to_wstring(kind);
    }
}

ModelMatchResult MatchPackToSelection(const std::wstring& packModel, int32_t packKind, int modelIndex,
                                      const std::wstring& modelName, PackKind selectedKind) {
    ModelMatchResult r;
    r.modelIndex = modelIndex;
    r.modelName = modelName;
    if (packKind == kPackApplication || packKind == kPackSystem) {
        if ((r.modelIndex == 2 || r.modelIndex == kVariantM3710S5) && packModel == kM3710S5) {
            r.modelIndex = kVariantM3710S5;
            r.modelName = kM3710S5;
        }
        if ((r.modelIndex == 6 || r.modelIndex == kVariantVK1500) && packModel == kVK1500) {
            r.modelIndex = kVariantVK1500;
            r.modelName = kVK1500;
        }
        r.accepted = packModel == r.modelName && packKind == selectedKind;
    } else if (packKind == kPackTool) {
        r.accepted = selectedKind == kPackTool;  // a tool pack fits every model
    }
    if (r.accepted) return r;

    const bool sameModel = packModel == r.modelName;
    const bool sameKind = packKind == selectedKind;
    if (!sameModel && sameKind)
        r.message = L"升级失败," + packModel + L" 与 " + r.modelName + L"不能匹配";
    else if (!sameModel)
        r.message = L"升级失败," + packModel + L" 与 " + r.modelName + L"不匹配," + PackKindName(packKind) +
                    L" 与 " + PackKindName(selectedKind) + L"也不匹配";
    else
        r.message = L"升级失败," + PackKindName(packKind) + L" 与 " + PackKindName(selectedKind) + L"不能匹配";
    return r;
}
