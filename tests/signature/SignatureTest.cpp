// Minisign signatures of packs: what the check accepts and refuses, the
// trust list's lines, and the key files.
#include <gtest/gtest.h>

#include <functional>

#include "platform/File.h"
#include "signature/PackSignature.h"
#include "signature/TrustedKeys.h"
#include "support/TempFolder.h"

namespace {

struct KeyPair {
    minisign::PublicKey pub;
    minisign::SecretKey sec;
};

KeyPair NewKeys() {
    KeyPair k;
    EXPECT_TRUE(MakeKeyPair(&k.pub, &k.sec));
    return k;
}

class SignatureTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(WriteBytes(Pack(), "the pack's bytes"));
        ASSERT_TRUE(WriteBytes(Other(), "another pack"));
    }
    std::wstring Pack() const { return dir / L"AppUpgradePack.zip"; }
    std::wstring Other() const { return dir / L"Other.zip"; }
    void Sign(const std::wstring& file, const minisign::SecretKey& key) {
        std::string problem;
        ASSERT_TRUE(SignFile(file, key, "timestamp:1\tfile:x\thashed", &problem)) << problem;
    }
    // Replaces line `index` (0..3) of the pack's signature file.
    void EditSignatureLine(size_t index, const std::string& line) {
        std::string text;
        ASSERT_TRUE(ReadBytes(SignaturePathOf(Pack()), &text));
        size_t start = 0;
        for (size_t i = 0; i < index; ++i) start = text.find('\n', start) + 1;
        text.replace(start, text.find('\n', start) - start, line);
        ASSERT_TRUE(WriteBytes(SignaturePathOf(Pack()), text));
    }

    TempFolder dir;
    KeyPair a = NewKeys(), b = NewKeys(), stranger = NewKeys();
};

TEST_F(SignatureTest, VerdictsOfTheCheck) {
    struct Case {
        const char* name;
        std::function<void()> prepare;
        std::vector<const KeyPair*> trusted;
        SignatureVerdict verdict;
        const KeyPair* namedKey;  // the key id the check reports, or none
    };
    const std::vector<Case> cases = {
        {"signed by the trusted key", [&] { Sign(Pack(), a.sec); }, {&a}, SignatureVerdict::Accepted, &a},
        {"rollover: the new key of two", [&] { Sign(Pack(), b.sec); }, {&a, &b}, SignatureVerdict::Accepted, &b},
        {"rollover: the old key of two", [&] { Sign(Pack(), a.sec); }, {&a, &b}, SignatureVerdict::Accepted, &a},
        {"no signature", [] {}, {&a}, SignatureVerdict::NoSignature, nullptr},
        {"signed by a key not trusted", [&] { Sign(Pack(), stranger.sec); }, {&a, &b},
         SignatureVerdict::UntrustedKey, &stranger},
        {"wrongly signed: a trusted key's id, another key's signature",
         [&] { Sign(Pack(), minisign::SecretKey{a.sec.id, stranger.sec.key}); }, {&a}, SignatureVerdict::Mismatch, &a},
        {"pack changed after signing",
         [&] { Sign(Pack(), a.sec); ASSERT_TRUE(WriteBytes(Pack(), "the pack's bytes, changed")); }, {&a},
         SignatureVerdict::Mismatch, &a},
        {"signature of another file",
         [&] {
             Sign(Other(), a.sec);
             std::string sig;
             ASSERT_TRUE(ReadBytes(SignaturePathOf(Other()), &sig));
             ASSERT_TRUE(WriteBytes(SignaturePathOf(Pack()), sig));
         },
         {&a}, SignatureVerdict::Mismatch, &a},
        {"trusted comment changed", [&] { Sign(Pack(), a.sec); EditSignatureLine(2, "trusted comment: forged"); }, {&a},
         SignatureVerdict::Mismatch, &a},
        {"damaged signature line", [&] { Sign(Pack(), a.sec); EditSignatureLine(1, "RUQ!!!"); }, {&a},
         SignatureVerdict::Mismatch, nullptr},
        {"comment lines missing", [&] { Sign(Pack(), a.sec); EditSignatureLine(0, "a comment"); }, {&a},
         SignatureVerdict::Mismatch, nullptr},
        {"empty signature file", [&] { ASSERT_TRUE(WriteBytes(SignaturePathOf(Pack()), "")); }, {&a},
         SignatureVerdict::Mismatch, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteBytes(Pack(), "the pack's bytes"));
        platform::RemoveFile(SignaturePathOf(Pack()));
        c.prepare();
        std::vector<minisign::PublicKey> trusted;
        for (const KeyPair* k : c.trusted) trusted.push_back(k->pub);
        const SignatureCheck check = VerifyFileSignature(Pack(), trusted);
        EXPECT_EQ(check.verdict, c.verdict) << check.reason;
        EXPECT_EQ(check.keyId, c.namedKey ? minisign::KeyIdText(c.namedKey->pub.id) : "");
        EXPECT_EQ(check.reason.empty(), c.verdict == SignatureVerdict::Accepted) << check.reason;
    }
}

TEST(TrustedKeysTest, LinesOfTheTrustFile) {
    KeyPair a = NewKeys(), b = NewKeys();
    const std::string lineA = minisign::PublicKeyLine(a.pub), lineB = minisign::PublicKeyLine(b.pub);
    struct Case {
        std::string text;
        size_t keys;
        std::string problem;
    };
    const std::vector<Case> cases = {
        {"", 0, ""},
        {"# no key yet\r\n\r\n", 0, ""},
        {"\xEF\xBB\xBF" + lineA + "\r\n", 1, ""},
        // Two .pub files appended, for a rollover.
        {minisign::FormatPublicKeyFile(a.pub) + minisign::FormatPublicKeyFile(b.pub), 2, ""},
        {"# vendor\n" + lineA + "\n  " + lineB + "  \n", 2, ""},
        {lineA + "\n# next\n" + lineB.substr(1) + "\n", 0, "line 3 is no minisign public key"},
        {lineA + "\nRWQ" + lineB + "\n", 0, "line 2 is no minisign public key"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const TrustedKeys trust = ParseTrustedKeys(c.text);
        EXPECT_EQ(trust.problem, c.problem);
        EXPECT_EQ(trust.keys.size(), c.keys) << "a broken list holds no keys";
        EXPECT_EQ(trust.InForce(), c.keys > 0 || !c.problem.empty());
    }
    EXPECT_FALSE(ReadTrustFile(L"no such folder\\trusted-keys.txt").InForce());
}

TEST(MinisignKeyFileTest, SecretKeysOpenOnlyWhole) {
    KeyPair k = NewKeys();
    const std::string file = minisign::FormatSecretKeyFile(k.sec);
    minisign::SecretKey read;
    std::string problem;
    ASSERT_TRUE(minisign::ParseSecretKeyFile(file, nullptr, &read, &problem)) << problem;
    EXPECT_EQ(read.id, k.sec.id);
    EXPECT_EQ(read.key, k.sec.key);
    // One byte of the key changed: base64 "A" <-> "B" in the middle of the line.
    std::string damaged = file;
    const size_t at = damaged.find('\n') + 120;
    damaged[at] = damaged[at] == 'A' ? 'B' : 'A';
    EXPECT_FALSE(minisign::ParseSecretKeyFile(damaged, nullptr, &read, &problem));
    minisign::PublicKey pub;
    EXPECT_TRUE(minisign::ParsePublicKeyFile(minisign::FormatPublicKeyFile(k.pub), &pub, &problem));
    EXPECT_EQ(pub.key, k.pub.key);
    EXPECT_FALSE(minisign::ParsePublicKeyFile(file, &pub, &problem)) << "a secret key is no public key";
}

TEST(MinisignKeyIdTest, WrittenAsMinisignWritesIt) {
    // The id is stored little-endian; minisign prints it as a number, so a
    // zero top byte gives no leading zeros.
    const struct { minisign::KeyId id; const char* text; } cases[] = {
        {{0x3D, 0x28, 0x48, 0x55, 0x1D, 0x3B, 0xDE, 0x00}, "DE3B1D5548283D"},
        {{0x01, 0, 0, 0, 0, 0, 0, 0xF0}, "F000000000000001"},
    };
    for (const auto& c : cases) EXPECT_EQ(minisign::KeyIdText(c.id), c.text);
}

}  // namespace
