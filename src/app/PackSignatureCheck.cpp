#include "app/PackSignatureCheck.h"

#include "app/PackSnapshot.h"
#include "app/RunTexts.h"
#include "signature/PackSignature.h"

namespace {
bool Refuse(PackCheckResult* r, const wchar_t* message, const std::string& reason) {
    r->verdict = PackVerdict::BadSignature;
    r->fraction = kSignatureFraction;
    r->message = message;
    r->reason = reason;
    return false;
}
}  // namespace

bool CheckPackSignature(const PackSnapshot& pack, const TrustedKeys& trust, PackCheckResult* result) {
    // A list that cannot be read whole trusts nothing: no pack passes.
    if (trust.Broken()) return Refuse(result, runtext::kTrustFileBroken, "trusted keys: " + trust.problem);
    const SignatureCheck check = VerifySignatureOf(pack.PackPath(), pack.CopyPath(), pack.Blake2b(), trust.keys);
    switch (check.verdict) {
        case SignatureVerdict::Accepted:
            result->signerKeyId = check.keyId;
            result->signerComment = check.trustedComment;
            return true;
        case SignatureVerdict::NoSignature:
            return Refuse(result, runtext::kPackUnsigned, check.reason);
        case SignatureVerdict::UntrustedKey:
            return Refuse(result, runtext::kSignerNotTrusted, check.reason);
        case SignatureVerdict::Mismatch:
            break;
    }
    return Refuse(result, runtext::kSignatureMismatch, check.reason);
}
