#include "signature/PackSignature.h"

#include <sodium.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>

#include "platform/File.h"
#include "signature/SignatureFiles.h"

namespace {

using minisign::SignedData;

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<FILE, FileCloser>;

constexpr size_t kChunk = 256 * 1024;

bool HashFile(const std::wstring& path, unsigned char (&hash)[crypto_generichash_BYTES_MAX]) {
    FileHandle f(platform::OpenFile(path, "rb"));
    if (!f) return false;
    crypto_generichash_state state;
    crypto_generichash_init(&state, nullptr, 0, sizeof hash);
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[kChunk]);
    size_t got;
    while ((got = std::fread(buffer.get(), 1, kChunk, f.get())) > 0) crypto_generichash_update(&state, buffer.get(), got);
    if (std::ferror(f.get())) return false;
    crypto_generichash_final(&state, hash, sizeof hash);
    return true;
}

// The older "Ed" signatures sign the file itself, which Ed25519 needs in
// memory whole: packs above the limit are refused rather than read.
bool ReadWholeFile(const std::wstring& path, std::vector<unsigned char>* bytes, std::string* problem) {
    uint64_t size = 0;
    if (!platform::FileSize(path, &size)) return *problem = "the file cannot be read", false;
    if (size > kLegacySignedLimit)
        return *problem = "a legacy signature (of the whole file, minisign -l) is checked for packs up to " +
                          std::to_string(kLegacySignedLimit >> 20) + " MiB only, and this one has " +
                          std::to_string(size) + " bytes: sign it again with minisign's default or packtool sign",
               false;
    FileHandle f(platform::OpenFile(path, "rb"));
    if (!f) return *problem = "the file cannot be read", false;
    try {
        bytes->resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        return *problem = "not enough memory to check a legacy signature", false;
    }
    if (std::fread(bytes->data(), 1, bytes->size(), f.get()) != bytes->size() || std::fgetc(f.get()) != EOF)
        return *problem = "the file cannot be read whole", false;
    return true;
}

std::string Narrow(const std::wstring& path) {
    std::string s;
    for (wchar_t c : path) s += (c > 0 && c < 0x80) ? static_cast<char>(c) : '?';
    return s;
}

SignatureCheck Refuse(SignatureCheck check, SignatureVerdict verdict, const std::string& reason) {
    check.verdict = verdict;
    check.reason = reason;
    return check;
}

std::string FileName(const std::wstring& path) {
    const size_t cut = path.find_last_of(L"\\/");
    return Narrow(cut == std::wstring::npos ? path : path.substr(cut + 1));
}

}  // namespace

std::wstring SignaturePathOf(const std::wstring& file) { return file + L".minisig"; }

bool ReadSignatureFile(const std::wstring& file, minisign::Signature* signature, std::string* problem) {
    std::string text;
    if (!ReadSmallFile(SignaturePathOf(file), &text, problem, kSignatureFileLimit)) {
        *problem = "the signature file " + *problem;
        return false;
    }
    return minisign::ParseSignatureFile(text, signature, problem);
}

ContentHash::ContentHash() {
    static_assert(sizeof m_state >= sizeof(crypto_generichash_state), "state buffer too small");
    if (sodium_init() < 0) return;  // a hash made without libsodium matches no signature
    crypto_generichash_init(reinterpret_cast<crypto_generichash_state*>(m_state), nullptr, 0, m_digest.size());
}

void ContentHash::Update(const void* data, size_t length) {
    if (m_final) return;
    crypto_generichash_update(reinterpret_cast<crypto_generichash_state*>(m_state),
                              static_cast<const unsigned char*>(data), length);
}

const std::array<unsigned char, 64>& ContentHash::Final() {
    if (!m_final) {
        crypto_generichash_final(reinterpret_cast<crypto_generichash_state*>(m_state), m_digest.data(), m_digest.size());
        m_final = true;
    }
    return m_digest;
}

SignatureCheck VerifyFileSignature(const std::wstring& file, const std::vector<minisign::PublicKey>& trusted) {
    std::array<unsigned char, 64> hash{};
    unsigned char raw[crypto_generichash_BYTES_MAX];
    const bool read = sodium_init() >= 0 && HashFile(file, raw);
    if (read) std::copy(std::begin(raw), std::end(raw), hash.begin());
    SignatureCheck check = VerifySignatureOf(file, file, hash, trusted);
    // Past the signer's key, a file that cannot be read is refused as such.
    if (!read && check.verdict != SignatureVerdict::NoSignature && check.verdict != SignatureVerdict::UntrustedKey)
        return Refuse(check, SignatureVerdict::Mismatch, "the file cannot be read");
    return check;
}

SignatureCheck VerifySignatureOf(const std::wstring& signedPath, const std::wstring& contentPath,
                                 const std::array<unsigned char, 64>& blake2b,
                                 const std::vector<minisign::PublicKey>& trusted) {
    SignatureCheck check;
    if (sodium_init() < 0) return Refuse(check, SignatureVerdict::Mismatch, "libsodium cannot start");
    const std::wstring signaturePath = SignaturePathOf(signedPath);
    if (!platform::PathExists(signaturePath))
        return Refuse(check, SignatureVerdict::NoSignature, "no signature file " + FileName(signaturePath));
    minisign::Signature signature;
    std::string problem;
    if (!ReadSignatureFile(signedPath, &signature, &problem))
        return Refuse(check, SignatureVerdict::Mismatch, "damaged signature file: " + problem);
    check.keyId = minisign::KeyIdText(signature.keyId);

    // Every trusted key with the signature's id is tried: ids are only 64
    // random bits a vendor chooses, and two keys may share one.
    std::vector<const minisign::PublicKey*> keys;
    for (const minisign::PublicKey& k : trusted)
        if (k.id == signature.keyId) keys.push_back(&k);
    if (keys.empty())
        return Refuse(check, SignatureVerdict::UntrustedKey, "signed by key " + check.keyId + ", which is not trusted");

    std::vector<unsigned char> content;
    if (signature.data == SignedData::WholeFile && !ReadWholeFile(contentPath, &content, &problem))
        return Refuse(check, SignatureVerdict::Mismatch, problem);
    const unsigned char* message = signature.data == SignedData::Hash ? blake2b.data() : content.data();
    const size_t messageSize = signature.data == SignedData::Hash ? blake2b.size() : content.size();
    std::string global(signature.signature.begin(), signature.signature.end());
    global += signature.trustedComment;

    bool fileRight = false;
    for (const minisign::PublicKey* key : keys) {
        if (crypto_sign_verify_detached(signature.signature.data(), message, messageSize, key->key.data()) != 0)
            continue;
        fileRight = true;
        if (crypto_sign_verify_detached(signature.globalSignature.data(),
                                        reinterpret_cast<const unsigned char*>(global.data()), global.size(),
                                        key->key.data()) != 0)
            continue;
        check.verdict = SignatureVerdict::Accepted;
        check.trustedComment = signature.trustedComment;
        return check;
    }
    return Refuse(check, SignatureVerdict::Mismatch,
                  fileRight ? "the trusted comment does not match its signature" : "the signature does not match the file");
}

bool SignFile(const std::wstring& file, const minisign::SecretKey& key, const std::string& trustedComment,
              std::string* problem) {
    if (sodium_init() < 0) return *problem = "libsodium cannot start", false;
    if (trustedComment.find_first_of("\r\n") != std::string::npos)
        return *problem = "the trusted comment must be one line", false;
    unsigned char hash[crypto_generichash_BYTES_MAX];
    if (!HashFile(file, hash)) return *problem = "the file cannot be read", false;
    minisign::Signature signature;
    signature.data = SignedData::Hash;
    signature.keyId = key.id;
    signature.untrustedComment = "signature from packtool secret key " + minisign::KeyIdText(key.id);
    signature.trustedComment = trustedComment;
    crypto_sign_detached(signature.signature.data(), nullptr, hash, sizeof hash, key.key.data());
    std::string global(signature.signature.begin(), signature.signature.end());
    global += trustedComment;
    crypto_sign_detached(signature.globalSignature.data(), nullptr, reinterpret_cast<const unsigned char*>(global.data()),
                         global.size(), key.key.data());
    if (!OverwriteSmallFile(SignaturePathOf(file), minisign::FormatSignatureFile(signature)))
        return *problem = "the signature file cannot be written", false;
    return true;
}

bool MakeKeyPair(minisign::PublicKey* publicKey, minisign::SecretKey* secretKey) {
    if (sodium_init() < 0) return false;
    randombytes_buf(secretKey->id.data(), secretKey->id.size());
    crypto_sign_keypair(publicKey->key.data(), secretKey->key.data());
    publicKey->id = secretKey->id;
    return true;
}
