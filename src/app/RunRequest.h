#pragma once
// What one upgrade run works from, and what it comes to. The run gets a
// copy of the operator's choices, so a window that redraws or a volume
// change that rebuilds the disk list never meets a half-written selection;
// the caller applies the outcome afterwards, on its own thread.
#include <cstdint>
#include <memory>
#include <string>

#include "app/DeviceModel.h"
#include "app/UpgradeResult.h"
#include "device/UsbDiskInfo.h"

class PackSnapshot;
struct UpgradeSelection;

struct RunRequest {
    int modelIndex = 0;
    std::wstring modelName;
    ConnectionMode connection = kConnectionUsb;
    PackKind packKind = kPackApplication;
    std::wstring packPath;
    // USB: whether a terminal disk is chosen, and its root ("E:\\", or a
    // mount folder; any length; empty for a volume without a drive letter).
    bool haveDisk = false;
    std::wstring diskPath;
    // Ethernet.
    std::wstring terminalAddress;
    int ftpPort = 21;
    std::wstring ftpUser;
    std::wstring ftpPassword;
    // The pack as the batch checked it (its private copy and digests):
    // deliver that, without reading the pack or checking it again. Unset:
    // the run reads and checks the pack itself.
    std::shared_ptr<const PackSnapshot> checkedPack;
    // The site's list of trusted signing keys (the window: "trusted-keys.txt"
    // beside the program), read when the check starts; empty or missing:
    // packs need no signature.
    std::wstring trustFile;
    // The key that signed a pack the batch checked, for the record.
    std::string signerKeyId;
    std::string signerComment;  // and its verified trusted comment
    // The terminal disk's identity (USB serial or volume serial), empty
    // when it has none; the record keeps it.
    std::wstring diskIdentity;
};

struct RunOutcome {
    UpgradeResult result = UpgradeResult::Refused;
    std::wstring finalText;  // the last step's text (a refusal's or failure's reason)
    int modelIndex = 0;      // the model afterwards: a variant pack moves it
    std::wstring modelName;
    std::wstring diskPath;   // the disk the run used (USB)
    std::string packMd5;     // the checked pack's MD5 (hex), empty when it could not be read
    uint64_t packSize = 0;
    std::string signerKeyId;  // the trusted key that signed the pack, when keys are trusted
    std::string signerComment;  // that signature's trusted comment, verified with it
};

// A copy of the selection for a run (the chosen disk read under its lock).
RunRequest MakeRunRequest(const UpgradeSelection& selection);

// The run's outcome back into the selection: the variant that stays, the
// disk used, the manifest check kept until the next run.
void ApplyRunOutcome(UpgradeSelection& selection, RunOutcome&& outcome);
