#pragma once
// Signing a file and checking its signature, minisign's way: the detached
// signature lies beside the file as FILE.minisig. Ed25519 and BLAKE2b-512
// come from libsodium.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "signature/MinisignFormat.h"

enum class SignatureVerdict {
    Accepted,
    NoSignature,   // no FILE.minisig
    UntrustedKey,  // signed by a key that is not in the list
    Mismatch,      // the signature file is damaged, or does not fit the file or its comment
};

struct SignatureCheck {
    SignatureVerdict verdict = SignatureVerdict::Mismatch;
    std::string keyId;           // the signer's key id as minisign prints it, once the file names one
    std::string trustedComment;  // of an accepted signature
    std::string reason;          // a short English reason of a refusal
    bool Accepted() const { return verdict == SignatureVerdict::Accepted; }
};

// "AppUpgradePack.zip" -> "AppUpgradePack.zip.minisig".
std::wstring SignaturePathOf(const std::wstring& file);

// Whether `file` is signed, by one of `trusted`, exactly as it is.
SignatureCheck VerifyFileSignature(const std::wstring& file, const std::vector<minisign::PublicKey>& trusted);

// The BLAKE2b-512 of a file's bytes, which hashed signatures sign, worked
// out piece by piece while the bytes pass (one read serves every digest).
class ContentHash {
public:
    ContentHash();
    void Update(const void* data, size_t length);
    // The digest; the hash takes no more bytes afterwards.
    const std::array<unsigned char, 64>& Final();

private:
    alignas(64) unsigned char m_state[384];  // crypto_generichash_state, kept opaque
    std::array<unsigned char, 64> m_digest{};
    bool m_final = false;
};

// The bytes a signature is judged against when they were read once
// already: `contentPath` holds them (a private copy that nobody else
// writes), `blake2b` is their hash from that same read. The signature
// file is the one beside `signedPath` (the pack as the PC names it).
SignatureCheck VerifySignatureOf(const std::wstring& signedPath, const std::wstring& contentPath,
                                 const std::array<unsigned char, 64>& blake2b,
                                 const std::vector<minisign::PublicKey>& trusted);

// FILE.minisig is read only as a regular file of up to 64 KiB (minisign
// allows long trusted comments); a FIFO, a device or a folder of that name
// is refused at once.
inline constexpr size_t kSignatureFileLimit = 64 * 1024;
// A legacy ("Ed") signature signs the whole file, which is then read into
// memory to be checked: only for files up to this size.
inline constexpr uint64_t kLegacySignedLimit = uint64_t(64) << 20;

// Reads FILE.minisig without checking it (what packtool info shows).
bool ReadSignatureFile(const std::wstring& file, minisign::Signature* signature, std::string* problem);

// Writes FILE.minisig: the hashed ("ED") signature, and `trustedComment`
// signed with it. False, with the reason, when the file cannot be read or
// the signature cannot be written.
bool SignFile(const std::wstring& file, const minisign::SecretKey& key, const std::string& trustedComment,
              std::string* problem);

// A fresh key pair with a random key id.
bool MakeKeyPair(minisign::PublicKey* publicKey, minisign::SecretKey* secretKey);
