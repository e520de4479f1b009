#include "signature/PackSignature.h"

#include <sodium.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>

#include "platform/File.h"

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

// The older "Ed" signatures sign the file itself, so it is read whole.
bool ReadWholeFile(const std::wstring& path, std::vector<unsigned char>* bytes) {
    uint64_t size = 0;
    if (!platform::FileSize(path, &size) || size > SIZE_MAX / 2) return false;
    FileHandle f(platform::OpenFile(path, "rb"));
    if (!f) return false;
    try {
        bytes->resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        return false;  // a pack too large to hold in memory cannot be checked this way
    }
    return std::fread(bytes->data(), 1, bytes->size(), f.get()) == bytes->size();
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

bool ReadSmallFile(const std::wstring& path, std::string* text, size_t limit) {
    FileHandle f(platform::OpenFile(path, "rb"));
    if (!f) return false;
    text->clear();
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) {
        text->append(buffer, got);
        if (text->size() > limit) return false;
    }
    return !std::ferror(f.get());
}

namespace {
bool WriteAll(FileHandle f, const std::string& text) {
    if (!f) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), f.get()) == text.size();
    return std::fclose(f.release()) == 0 && written;
}
}  // namespace

bool WriteSecretFile(const std::wstring& path, const std::string& text) {
    return WriteAll(FileHandle(platform::CreateOwnerOnlyFile(path)), text);
}

bool WriteSmallFile(const std::wstring& path, const std::string& text) {
    return WriteAll(FileHandle(platform::OpenFile(path, "wb")), text);
}

bool ReadSignatureFile(const std::wstring& file, minisign::Signature* signature, std::string* problem) {
    std::string text;
    if (!ReadSmallFile(SignaturePathOf(file), &text, 4096)) {
        *problem = "the signature file cannot be read";
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

    const minisign::PublicKey* key = nullptr;
    for (const minisign::PublicKey& k : trusted)
        if (k.id == signature.keyId) key = &k;
    if (!key) return Refuse(check, SignatureVerdict::UntrustedKey, "signed by key " + check.keyId + ", which is not trusted");

    bool signedRight = false;
    if (signature.data == SignedData::Hash) {
        signedRight = crypto_sign_verify_detached(signature.signature.data(), blake2b.data(), blake2b.size(),
                                                  key->key.data()) == 0;
    } else {
        std::vector<unsigned char> content;
        if (!ReadWholeFile(contentPath, &content))
            return Refuse(check, SignatureVerdict::Mismatch, "the file cannot be read");
        signedRight = crypto_sign_verify_detached(signature.signature.data(), content.data(), content.size(),
                                                  key->key.data()) == 0;
    }
    if (!signedRight) return Refuse(check, SignatureVerdict::Mismatch, "the signature does not match the file");

    std::string global(signature.signature.begin(), signature.signature.end());
    global += signature.trustedComment;
    if (crypto_sign_verify_detached(signature.globalSignature.data(), reinterpret_cast<const unsigned char*>(global.data()),
                                    global.size(), key->key.data()) != 0)
        return Refuse(check, SignatureVerdict::Mismatch, "the trusted comment does not match its signature");
    check.verdict = SignatureVerdict::Accepted;
    check.trustedComment = signature.trustedComment;
    return check;
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
    if (!WriteSmallFile(SignaturePathOf(file), minisign::FormatSignatureFile(signature)))
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
