#include "app/ModelMatch.h"

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
        // A pack naming the selected model's variant moves the selection
        // to the variant (from the model itself or from the variant).
        const DeviceModel* base = FindDeviceModel(BaseModelIndex(r.modelIndex));
        const DeviceModel* variant = base ? FindRunModel(base->variantIndex) : nullptr;
        if (base && base->variantIndex && variant && packModel == variant->name) {
            r.modelIndex = base->variantIndex;
            r.modelName = variant->name;
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
