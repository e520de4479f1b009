#pragma once
// The text files of minisign: public keys, secret keys and signatures.
// Each is an "untrusted comment: " line followed by one base64 line; a
// signature adds a "trusted comment: " line and the base64 signature over
// the file's signature and that comment. Only the layout lives here; the
// signing and checking are in PackSignature.h.
#include <array>
#include <cstdint>
#include <string>

namespace minisign {

using KeyId = std::array<uint8_t, 8>;

struct PublicKey {
    KeyId id{};
    std::array<uint8_t, 32> key{};
};

struct SecretKey {
    KeyId id{};
    std::array<uint8_t, 64> key{};  // libsodium's Ed25519 secret key (seed and public key)
    ~SecretKey();                   // wipes the key
};

// "ED": Ed25519 over the BLAKE2b-512 hash of the file (what minisign makes
// by default); "Ed": over the file itself (older minisign, or -l).
enum class SignedData { Hash, WholeFile };

struct Signature {
    SignedData data = SignedData::Hash;
    KeyId keyId{};
    std::array<uint8_t, 64> signature{};
    std::string untrustedComment;
    std::string trustedComment;
    std::array<uint8_t, 64> globalSignature{};  // over `signature` followed by `trustedComment`
};

// The key id as minisign prints it: 16 upper-case hex digits of the
// little-endian number.
std::string KeyIdText(const KeyId& id);

// One public key as its base64 line ("RW..."), surrounding blanks allowed.
bool ParsePublicKeyLine(const std::string& line, PublicKey* key);
// A .pub file: its comment line and the key line; or the key line alone.
bool ParsePublicKeyFile(const std::string& text, PublicKey* key, std::string* problem);
std::string PublicKeyLine(const PublicKey& key);
std::string FormatPublicKeyFile(const PublicKey& key);

// A secret key file written without a password ("minisign -G -W", or
// packtool keygen); one protected by a password needs `password`, which
// is ignored otherwise. Its checksum must hold.
// Copies of the key's text it makes are wiped before they are freed.
bool ParseSecretKeyFile(const std::string& text, const std::string* password, SecretKey* key, std::string* problem);
// Whether the secret key file's key is protected by a password.
bool SecretKeyHasPassword(const std::string& text);
// The caller wipes the text it gets (WipeSecret) once it is written.
std::string FormatSecretKeyFile(const SecretKey& key);

bool ParseSignatureFile(const std::string& text, Signature* signature, std::string* problem);
std::string FormatSignatureFile(const Signature& signature);

}  // namespace minisign
