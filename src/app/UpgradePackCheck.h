#pragma once
// The check of a pack before anything reaches a terminal, as one function
// for every front end: extract it into a working folder, match its verify
// record against the chosen model and kind (a variant pack moves the model
// to the variant), and judge the extracted files against the manifest.
// The window's run, the command line (once per batch) and the pack tool
// all decide with it, with the same texts.
#include <string>

#include "app/DeviceModel.h"
#include "app/ProgressSink.h"

class PackSnapshot;
struct TrustedKeys;


enum class PackVerdict {
    Accepted,
    CannotExtract,  // the pack cannot be opened, or does not fit on this PC's disk
    Damaged,        // not extracted whole, or the manifest disagrees
    WrongModel,     // the verify record names another model or kind
    BadSignature,   // keys are trusted, and none of them signed the pack as it is
};

struct PackCheckResult {
    PackVerdict verdict = PackVerdict::CannotExtract;
    double fraction = 0.0;  // where the run reports a refusal
    std::wstring message;   // the operator's text of a refusal
    std::string reason;     // a short English reason of a refusal
    int modelIndex = 0;     // the model afterwards (a variant pack moves it)
    std::wstring modelName;
    std::string signerKeyId;  // the trusted key that signed the pack, when keys are trusted
    std::string signerComment;  // that signature's trusted comment, verified with it
    bool Accepted() const { return verdict == PackVerdict::Accepted; }
};

// What a pack is checked against.
struct PackCheckRequest {
    int modelIndex = 0;  // the selected model (a variant once one was accepted)
    std::wstring modelName;
    PackKind kind = kPackApplication;
    // Keys one of which must have signed the pack, or a broken list; none
    // (or null): no signature is needed.
    const TrustedKeys* trust = nullptr;
    // Where the steps 0.15, 0.2, 0.5 and 0.6 are reported; refusals are not
    // (the caller ends its run with `fraction` and `message`).
    IProgressSink* steps = nullptr;
};

// Extracts the pack's private copy into `folder` (which must not exist yet)
// and decides; leaves the folder for the caller to delete. When keys are
// trusted (or the list is broken) the pack's signature is checked first,
// against the copy's hash, before extraction.
PackCheckResult CheckUpgradePack(const PackSnapshot& pack, const std::wstring& folder, const PackCheckRequest& request);

// A refusal of a pack that could not be read into its private copy.
PackCheckResult UnreadablePack(const std::string& problem, int modelIndex, const std::wstring& modelName);
