#include "app/UpgradePackCheck.h"

#include "app/ModelMatch.h"
#include "app/PackSignatureCheck.h"
#include "app/PackSnapshot.h"
#include "app/RunTexts.h"
#include "pack/FolderMD5Check.h"
#include "pack/UpgradePack.h"
#include "pack/Unzip.h"
#include "pack/ZipExtraction.h"

namespace {
constexpr double kExtractFraction = 0.2;
constexpr double kModelFraction = 0.5;
constexpr double kManifestFraction = 0.6;

void Report(IProgressSink* steps, double fraction) {
    if (steps) steps->SetProgress(fraction, L"");
}
}  // namespace

PackCheckResult UnreadablePack(const std::string& problem, int modelIndex, const std::wstring& modelName) {
    PackCheckResult r;
    r.modelIndex = modelIndex;
    r.modelName = modelName;
    r.verdict = PackVerdict::CannotExtract;
    r.fraction = kExtractFraction;
    r.message = runtext::kExtractFailed;
    r.reason = problem;
    return r;
}

PackCheckResult CheckUpgradePack(const PackSnapshot& pack, const std::wstring& folder, const PackCheckRequest& request) {
    const int modelIndex = request.modelIndex;
    const std::wstring& modelName = request.modelName;
    const PackKind kind = request.kind;
    const TrustedKeys* trust = request.trust;
    IProgressSink* steps = request.steps;
    PackCheckResult r;
    r.modelIndex = modelIndex;
    r.modelName = modelName;
    if (trust && trust->InForce()) {
        if (!CheckPackSignature(pack, *trust, &r)) return r;
        Report(steps, kSignatureFraction);
    }

    // A pack that was not wholly extracted is damaged whatever it holds;
    // one that could not be opened, or did not fit on this PC's disk, is
    // not the terminal's fault and says so.
    ExtractedDigests written;
    const UnzipOutcome extracted = ExtractArchive(folder, pack.CopyPath(), &written);
    if (extracted.status == kUnzipCannotOpenOrNoSpace) {
        r.verdict = PackVerdict::CannotExtract;
        r.fraction = kExtractFraction;
        r.message = runtext::kExtractFailed;
        r.reason = extracted.reason;
        return r;
    }
    if (extracted.status != kUnzipDone) {
        r.verdict = PackVerdict::Damaged;
        r.fraction = kManifestFraction;
        r.message = runtext::kPackDamaged;
        r.reason = extracted.reason;
        return r;
    }

    Report(steps, kExtractFraction);
    PackVerifyInfo info;
    {
        CUpgradePack pack(folder);
        info = pack.GetVerifyInfo();
    }
    ModelMatchResult match = MatchPackToSelection(info.ModelName(), info.PackKind(), modelIndex, modelName, kind);
    r.modelIndex = match.modelIndex;
    r.modelName = match.modelName;
    if (!match.accepted) {
        r.verdict = PackVerdict::WrongModel;
        r.fraction = kModelFraction;
        r.message = match.message;
        r.reason = "the verify record names another model or kind";
        return r;
    }
    Report(steps, kModelFraction);

    // The checker writes its measured values into the folder's manifest as
    // it goes, before the caller deletes the folder.
    if (CFolderMD5Check(folder, &written).IsDamaged()) {
        r.verdict = PackVerdict::Damaged;
        r.fraction = kManifestFraction;
        r.message = runtext::kPackDamaged;
        r.reason = "a file is missing from the manifest, unlisted, or has another MD5";
        return r;
    }
    Report(steps, kManifestFraction);
    r.verdict = PackVerdict::Accepted;
    return r;
}
