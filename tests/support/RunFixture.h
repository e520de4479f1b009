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
    // Selects model `model` for an Ethernet run with pack kind `kind`.
    void ChooseEthernetModel(const wchar_t* model, int kind);
    void ExpectCleanProgramFolder();

    TempFolder root;
    std::wstring programFolder, diskFolder;
    std::string packBytes;
    UpgradeSelection selection;
    RecordingProgress progress;
};

// Where an Ethernet run puts pack and flag, by model and pack kind.
struct EthernetDelivery {
    const wchar_t* model;
    int kind;
    const wchar_t* packName;
    const wchar_t* remotePack;
    const wchar_t* remoteFlag;
};
extern const EthernetDelivery kEthernetDeliveries[3];

// The reports of an Ethernet run that succeeds with a flag file.
extern const std::vector<std::wstring> kEthernetSuccessEvents;

// Incompressible bytes, so a pack is as large on the wire as on disk.
std::string NoiseBytes(size_t size, uint32_t seed);
