// The minisign readers on arbitrary text: signature files, public and
// secret key files and the trust list. What parses must write back to the
// same key or signature.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "signature/MinisignFormat.h"
#include "signature/TrustedKeys.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string problem;
    minisign::Signature signature;
    if (minisign::ParseSignatureFile(text, &signature, &problem)) {
        minisign::Signature again;
        if (!minisign::ParseSignatureFile(minisign::FormatSignatureFile(signature), &again, &problem)) std::abort();
        if (again.signature != signature.signature || again.keyId != signature.keyId ||
            again.trustedComment != signature.trustedComment)
            std::abort();
    }
    minisign::PublicKey key;
    if (minisign::ParsePublicKeyFile(text, &key, &problem) && minisign::PublicKeyLine(key).size() != 56) std::abort();
    minisign::SecretKey secret;
    minisign::ParseSecretKeyFile(text, nullptr, &secret, &problem);
    const TrustedKeys trust = ParseTrustedKeys(text);
    if (trust.Broken() && !trust.keys.empty()) std::abort();
    return 0;
}
