#pragma once
// Common ground of the whole-run tests: a program folder, a folder that
// stands for the terminal's disk, packs made on demand, and the checks every
// run must pass (no working folder or flag file left, pack untouched).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/UpgradeSelection.h"
#include "support/RunFakes.h"
#include "support/TempFolder.h"
#include "support/TestPack.h"

class RunFixture : public ::testing::Test {
protected:
    using Events = std::vector<std::wstring>;

    void SetUp() override;

    // Writes the pack into the packs folder and selects it.
    std::wstring MakePack(const PackRecipe& recipe, const wchar_t* name = L"AppUpgradePack.zip");
    bool ExtractionFolderLeft() const;
    void ExpectCleanProgramFolder();

    TempFolder root;
    std::wstring programFolder, diskFolder;
    std::string packBytes;
    UpgradeSelection selection;
    RecordingProgress progress;
};

// Incompressible bytes, so a pack is as large on the wire as on disk.
std::string NoiseBytes(size_t size, uint32_t seed);
