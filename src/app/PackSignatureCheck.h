#pragma once
// The first step of a pack's check once a site trusts signing keys: the
// pack must carry a signature (PACK.minisig) by one of them that matches
// it as it is. The operator's texts are the run's (RunTexts.h).
#include <string>

#include "app/UpgradePackCheck.h"
#include "signature/TrustedKeys.h"

class PackSnapshot;

inline constexpr double kSignatureFraction = 0.15;

// True when `trust` accepts the signature beside the pack, judged against
// its private copy, the bytes that will be delivered (the signer's key id
// goes into `result`); otherwise fills `result` with the refusal.
bool CheckPackSignature(const PackSnapshot& pack, const TrustedKeys& trust, PackCheckResult* result);
