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
    bool Accepted() const { return verdict == PackVerdict::Accepted; }
};

// Extracts the pack's private copy into `folder` (which must not exist yet)
// and decides. Reports the steps 0.2, 0.5 and 0.6 to `steps` when given;
// refusals are not reported (the caller ends its run with `fraction` and
// `message`). Leaves the folder for the caller to delete. When `trust`
// holds keys (or is broken) the pack's signature is checked first, against
// the copy's hash, before extraction, and reported as the step 0.15.
PackCheckResult CheckUpgradePack(const PackSnapshot& pack, const std::wstring& folder, int modelIndex,
                                 const std::wstring& modelName, PackKind kind, IProgressSink* steps,
                                 const TrustedKeys* trust = nullptr);

// A refusal of a pack that could not be read into its private copy.
PackCheckResult UnreadablePack(const std::string& problem, int modelIndex, const std::wstring& modelName);
