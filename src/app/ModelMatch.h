#pragma once
// The decision of the model match: does a pack's verify record (model name,
// kind) fit the operator's model and pack kind? Accepting a variant pack
// moves the selection to the variant. Used by the upgrade run and packtool.
#include <cstdint>
#include <string>

#include "app/DeviceModel.h"

struct ModelMatchResult {
    bool accepted = false;
    int modelIndex = 0;       // the selection's model index afterwards (7 or 8 after a variant)
    std::wstring modelName;   // the selection's model name afterwards
    std::wstring message;     // the operator's refusal text; empty when accepted
};

ModelMatchResult MatchPackToSelection(const std::wstring& packModel, int32_t packKind, int modelIndex,
                                      const std::wstring& modelName, PackKind selectedKind);

// "APP", "SYSTEM", "TOOL"; any other kind is shown as its number.
std::wstring PackKindName(int32_t kind);
