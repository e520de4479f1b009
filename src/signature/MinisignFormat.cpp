#include "signature/MinisignFormat.h"

#include <sodium.h>

#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace minisign {
namespace {

constexpr char kUntrustedPrefix[] = "untrusted comment: ";
constexpr char kTrustedPrefix[] = "trusted comment: ";
constexpr char kAlgorithm[] = "Ed";       // keys, and signatures over the whole file
constexpr char kHashedAlgorithm[] = "ED";  // signatures over the BLAKE2b-512 hash
constexpr char kChecksumAlgorithm[] = "B2";
constexpr char kScrypt[] = "Sc";
constexpr size_t kPublicKeyBytes = 2 + 8 + 32;
constexpr size_t kSignatureBytes = 2 + 8 + 64;
// Secret key: algorithm, kdf, checksum algorithm (2 each), salt (32),
// opslimit and memlimit (8 each, little-endian), then the part a password
// encrypts: key id (8), key (64), checksum (32).
constexpr size_t kSaltOffset = 6, kOpsOffset = 38, kMemOffset = 46, kSecretOffset = 54;
constexpr size_t kSecretPartBytes = 8 + 64 + 32;
constexpr size_t kSecretKeyBytes = kSecretOffset + kSecretPartBytes;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

bool StartsWith(const std::string& s, const char* prefix) { return s.compare(0, std::strlen(prefix), prefix) == 0; }

std::string Trimmed(const std::string& s) {
    const size_t first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

// Exactly `size` bytes from one strict base64 line.
bool DecodeExactly(const std::string& line, void* out, size_t size) {
    std::vector<unsigned char> bytes(size + 3);
    size_t length = 0;
    if (sodium_base642bin(bytes.data(), bytes.size(), line.data(), line.size(), nullptr, &length, nullptr,
                          sodium_base64_VARIANT_ORIGINAL) != 0 ||
        length != size) {
        sodium_memzero(bytes.data(), bytes.size());
        return false;
    }
    std::memcpy(out, bytes.data(), size);
    sodium_memzero(bytes.data(), bytes.size());  // it may have held a secret key
    return true;
}

std::string Encode(const void* bytes, size_t size) {
    std::vector<char> text(sodium_base64_ENCODED_LEN(size, sodium_base64_VARIANT_ORIGINAL));
    sodium_bin2base64(text.data(), text.size(), static_cast<const unsigned char*>(bytes), size,
                      sodium_base64_VARIANT_ORIGINAL);
    std::string encoded(text.data());
    sodium_memzero(text.data(), text.size());
    return encoded;
}

void Wipe(std::string* s) {
    if (!s->empty()) sodium_memzero(&(*s)[0], s->size());
}

// The lines of a secret key file, wiped when they go.
struct SecretLines {
    std::vector<std::string> lines;
    explicit SecretLines(const std::string& text) : lines(Lines(text)) {}
    ~SecretLines() {
        for (std::string& line : lines) Wipe(&line);
    }
};

uint64_t LittleEndian64(const unsigned char* p) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

// BLAKE2b-256 over algorithm, key id and key: what proves a secret key
// (and its password) right.
void SecretChecksum(const unsigned char* algorithm, const unsigned char* id, const unsigned char* key,
                    unsigned char* checksum) {
    crypto_generichash_state state;
    crypto_generichash_init(&state, nullptr, 0, 32);
    crypto_generichash_update(&state, algorithm, 2);
    crypto_generichash_update(&state, id, 8);
    crypto_generichash_update(&state, key, 64);
    crypto_generichash_final(&state, checksum, 32);
}

bool Fail(std::string* problem, const char* why) {
    if (problem) *problem = why;
    return false;
}

}  // namespace

// Upper-case hex without leading zeros, exactly as minisign writes it in its
// key comments, so an id in a record can be found in the vendor's .pub file.
std::string KeyIdText(const KeyId& id) {
    char text[17];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(LittleEndian64(id.data())));
    return text;
}

bool ParsePublicKeyLine(const std::string& line, PublicKey* key) {
    unsigned char bytes[kPublicKeyBytes];
    if (sodium_init() < 0 || !DecodeExactly(Trimmed(line), bytes, sizeof bytes)) return false;
    if (std::memcmp(bytes, kAlgorithm, 2) != 0) return false;
    std::memcpy(key->id.data(), bytes + 2, 8);
    std::memcpy(key->key.data(), bytes + 10, 32);
    return true;
}

bool ParsePublicKeyFile(const std::string& text, PublicKey* key, std::string* problem) {
    std::vector<std::string> lines = Lines(text);
    if (!lines.empty() && StartsWith(lines[0], kUntrustedPrefix)) lines.erase(lines.begin());
    if (lines.size() != 1 || !ParsePublicKeyLine(lines[0], key))
        return Fail(problem, "not a minisign public key (a comment line and one Ed25519 key line)");
    return true;
}

std::string PublicKeyLine(const PublicKey& key) {
    unsigned char bytes[kPublicKeyBytes];
    std::memcpy(bytes, kAlgorithm, 2);
    std::memcpy(bytes + 2, key.id.data(), 8);
    std::memcpy(bytes + 10, key.key.data(), 32);
    return Encode(bytes, sizeof bytes);
}

std::string FormatPublicKeyFile(const PublicKey& key) {
    return std::string(kUntrustedPrefix) + "minisign public key " + KeyIdText(key.id) + "\n" + PublicKeyLine(key) +
           "\n";
}

SecretKey::~SecretKey() { sodium_memzero(key.data(), key.size()); }

namespace {
// The key line decoded into `bytes` (the caller wipes them).
bool DecodeSecretKeyFile(const std::string& text, unsigned char (&bytes)[kSecretKeyBytes]) {
    SecretLines secret(text);
    const std::vector<std::string>& lines = secret.lines;
    if (lines.size() != 2 || !StartsWith(lines[0], kUntrustedPrefix)) return false;
    std::string line = Trimmed(lines[1]);
    const bool decoded = DecodeExactly(line, bytes, sizeof bytes);
    Wipe(&line);
    return decoded;
}
}  // namespace

bool SecretKeyHasPassword(const std::string& text) {
    unsigned char bytes[kSecretKeyBytes];
    const bool has = sodium_init() >= 0 && DecodeSecretKeyFile(text, bytes) && std::memcmp(bytes + 2, kScrypt, 2) == 0;
    sodium_memzero(bytes, sizeof bytes);
    return has;
}

bool ParseSecretKeyFile(const std::string& text, const std::string* password, SecretKey* key, std::string* problem) {
    if (sodium_init() < 0) return Fail(problem, "libsodium cannot start");
    unsigned char bytes[kSecretKeyBytes];
    struct WipeOnReturn {
        unsigned char* p;
        size_t n;
        ~WipeOnReturn() { sodium_memzero(p, n); }
    } wipe{bytes, sizeof bytes};
    if (!DecodeSecretKeyFile(text, bytes)) return Fail(problem, "not a minisign secret key");
    if (std::memcmp(bytes, kAlgorithm, 2) != 0 || std::memcmp(bytes + 4, kChecksumAlgorithm, 2) != 0)
        return Fail(problem, "not an Ed25519 minisign secret key");
    unsigned char* secret = bytes + kSecretOffset;
    if (std::memcmp(bytes + 2, kScrypt, 2) == 0) {
        if (!password) return Fail(problem, "the secret key is protected by a password");
        unsigned char stream[kSecretPartBytes];
        if (crypto_pwhash_scryptsalsa208sha256(stream, sizeof stream, password->data(), password->size(),
                                               bytes + kSaltOffset, LittleEndian64(bytes + kOpsOffset),
                                               static_cast<size_t>(LittleEndian64(bytes + kMemOffset))) != 0)
            return Fail(problem, "not enough memory to open the password-protected secret key");
        for (size_t i = 0; i < kSecretPartBytes; ++i) secret[i] ^= stream[i];
        sodium_memzero(stream, sizeof stream);
    } else if (bytes[2] != 0 || bytes[3] != 0) {
        return Fail(problem, "the secret key is protected in a way minisign does not know");
    }
    unsigned char checksum[32];
    SecretChecksum(bytes, secret, secret + 8, checksum);
    bool right = sodium_memcmp(checksum, secret + 72, 32) == 0;
    // minisign leaves the checksum of a key without a password zero; such a
    // key must at least be whole: its public half follows from its seed.
    if (!right && bytes[2] == 0 && sodium_is_zero(secret + 72, 32)) {
        unsigned char publicHalf[32], again[64];
        crypto_sign_seed_keypair(publicHalf, again, secret + 8);
        right = sodium_memcmp(again, secret + 8, 64) == 0;
        sodium_memzero(again, sizeof again);
    }
    if (right) {
        std::memcpy(key->id.data(), secret, 8);
        std::memcpy(key->key.data(), secret + 8, 64);
    }
    return right || Fail(problem, "the secret key's checksum does not hold (damaged, or a wrong password)");
}

std::string FormatSecretKeyFile(const SecretKey& key) {
    unsigned char bytes[kSecretKeyBytes] = {};
    std::memcpy(bytes, kAlgorithm, 2);  // kdf "\0\0": no password
    std::memcpy(bytes + 4, kChecksumAlgorithm, 2);
    unsigned char* secret = bytes + kSecretOffset;
    std::memcpy(secret, key.id.data(), 8);
    std::memcpy(secret + 8, key.key.data(), 64);
    SecretChecksum(bytes, secret, secret + 8, secret + 72);
    std::string line = Encode(bytes, sizeof bytes);
    sodium_memzero(bytes, sizeof bytes);
    const std::string comment = std::string(kUntrustedPrefix) + "minisign secret key " + KeyIdText(key.id) + " (no password)\n";
    std::string text;
    text.reserve(comment.size() + line.size() + 1);  // one buffer, which the caller wipes
    text += comment;
    text += line;
    text += '\n';
    Wipe(&line);
    return text;
}

bool ParseSignatureFile(const std::string& text, Signature* signature, std::string* problem) {
    if (sodium_init() < 0) return Fail(problem, "libsodium cannot start");
    const std::vector<std::string> lines = Lines(text);
    if (lines.size() != 4) return Fail(problem, "a signature file has four lines");
    if (!StartsWith(lines[0], kUntrustedPrefix)) return Fail(problem, "the first line is no untrusted comment");
    if (!StartsWith(lines[2], kTrustedPrefix)) return Fail(problem, "the third line is no trusted comment");
    unsigned char bytes[kSignatureBytes];
    if (!DecodeExactly(Trimmed(lines[1]), bytes, sizeof bytes)) return Fail(problem, "the signature line is damaged");
    if (std::memcmp(bytes, kHashedAlgorithm, 2) == 0)
        signature->data = SignedData::Hash;
    else if (std::memcmp(bytes, kAlgorithm, 2) == 0)
        signature->data = SignedData::WholeFile;
    else
        return Fail(problem, "the signature's algorithm is neither ED nor Ed");
    if (!DecodeExactly(Trimmed(lines[3]), signature->globalSignature.data(), signature->globalSignature.size()))
        return Fail(problem, "the trusted comment's signature line is damaged");
    std::memcpy(signature->keyId.data(), bytes + 2, 8);
    std::memcpy(signature->signature.data(), bytes + 10, 64);
    signature->untrustedComment = lines[0].substr(std::strlen(kUntrustedPrefix));
    signature->trustedComment = lines[2].substr(std::strlen(kTrustedPrefix));
    return true;
}

std::string FormatSignatureFile(const Signature& signature) {
    unsigned char bytes[kSignatureBytes];
    std::memcpy(bytes, signature.data == SignedData::Hash ? kHashedAlgorithm : kAlgorithm, 2);
    std::memcpy(bytes + 2, signature.keyId.data(), 8);
    std::memcpy(bytes + 10, signature.signature.data(), 64);
    return std::string(kUntrustedPrefix) + signature.untrustedComment + "\n" + Encode(bytes, sizeof bytes) + "\n" +
           kTrustedPrefix + signature.trustedComment + "\n" +
           Encode(signature.globalSignature.data(), signature.globalSignature.size()) + "\n";
}

}  // namespace minisign
