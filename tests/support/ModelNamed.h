#pragma once
// Tests choose models as the operator does, by name.
#include <gtest/gtest.h>

#include "app/DeviceModel.h"

// The index of the model called `name`; a name that is no model fails the test.
inline int Model(const wchar_t* name) {
    const int index = ModelIndexByName(name);
    EXPECT_GE(index, 0) << "no model called this";
    return index;
}
