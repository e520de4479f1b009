// Minisign signatures of packs: what the check accepts and refuses, the
// trust list's lines, and the key files.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#if defined(_WIN32)
#include <windows.h>
#include <aclapi.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/Environment.h"
#include "platform/File.h"
#include "platform/FileExtra.h"
#include "platform/Text.h"
#include "signature/PackSignature.h"
#include "signature/SignatureFiles.h"
#include "signature/SiteTrust.h"
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

// Another key that happens to carry `other`'s key id.
KeyPair SameId(const KeyPair& other) {
    KeyPair k = NewKeys();
    k.pub.id = k.sec.id = other.pub.id;
    return k;
}

#if !defined(_WIN32)
std::string Native(const std::wstring& path) {
    std::string n = platform::WideToUtf8(path);
    for (char& c : n)
        if (c == '\\') c = '/';
    return n;
}
#endif

class SignatureTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(WriteBytes(Pack(), "the pack's bytes"));
        ASSERT_TRUE(WriteBytes(Other(), "another pack"));
    }
    std::wstring Pack() const { return dir / L"AppUpgradePack.zip"; }
    std::wstring Other() const { return dir / L"Other.zip"; }
    void Sign(const std::wstring& file, const minisign::SecretKey& key, const std::string& comment = "timestamp:1\tfile:x\thashed") {
        std::string problem;
        ASSERT_TRUE(SignFile(file, key, comment, &problem)) << problem;
    }
    // The pack's signature turned into the legacy whole-file form (its
    // bytes then match nothing; the size limit comes first).
    void MakeLegacy() {
        minisign::Signature signature;
        std::string problem;
        ASSERT_TRUE(ReadSignatureFile(Pack(), &signature, &problem)) << problem;
        signature.data = minisign::SignedData::WholeFile;
        ASSERT_TRUE(WriteBytes(SignaturePathOf(Pack()), minisign::FormatSignatureFile(signature)));
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
    KeyPair a = NewKeys(), b = NewKeys(), stranger = NewKeys(), twin = SameId(a);
};

TEST_F(SignatureTest, VerdictsOfTheCheck) {
    struct Case {
        const char* name;
        std::function<void()> prepare;
        std::vector<const KeyPair*> trusted;
        SignatureVerdict verdict;
        const KeyPair* namedKey;  // the key id the check reports, or none
        const char* reason = "";   // part of the refusal's reason, where it matters
    };
    std::vector<Case> cases = {
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
        // Key ids are the vendor's 64 random bits: each key with the id is tried.
        {"two trusted keys share an id, the first signed", [&] { Sign(Pack(), a.sec); }, {&a, &twin},
         SignatureVerdict::Accepted, &a},
        {"two trusted keys share an id, the second signed", [&] { Sign(Pack(), twin.sec); }, {&a, &twin},
         SignatureVerdict::Accepted, &a},
        {"a key sharing the trusted key's id is not trusted with it", [&] { Sign(Pack(), twin.sec); }, {&a},
         SignatureVerdict::Mismatch, &a, "does not match the file"},
        {"a folder in the signature's place", [&] { ASSERT_TRUE(platform::MakeDirectory(SignaturePathOf(Pack()))); },
         {&a}, SignatureVerdict::Mismatch, nullptr, "not a regular file"},
        {"a trusted comment of 60 KiB", [&] { Sign(Pack(), a.sec, std::string(60 * 1024, 'c')); }, {&a},
         SignatureVerdict::Accepted, &a},
        {"a signature file above 64 KiB", [&] { Sign(Pack(), a.sec, std::string(64 * 1024, 'c')); }, {&a},
         SignatureVerdict::Mismatch, nullptr, "longer than 65536 bytes"},
        {"a legacy signature of a pack above 64 MiB",
         [&] {
             Sign(Pack(), a.sec);
             MakeLegacy();
             FILE* f = platform::OpenFile(Pack(), "r+b");
             ASSERT_NE(f, nullptr);
             ASSERT_EQ(platform::SeekFile64(f, int64_t(kLegacySignedLimit), SEEK_SET), 0);
             std::fputc('x', f);
             std::fclose(f);
         },
         {&a}, SignatureVerdict::Mismatch, &a, "up to 64 MiB only"},
        {"a legacy signature of a small pack is judged", [&] { Sign(Pack(), a.sec); MakeLegacy(); }, {&a},
         SignatureVerdict::Mismatch, &a, "does not match the file"},
    };
#if !defined(_WIN32)
    // Opening a FIFO to read waits for a writer that never comes.
    cases.push_back({"a FIFO in the signature's place",
                     [&] { ASSERT_EQ(mkfifo(Native(SignaturePathOf(Pack())).c_str(), 0600), 0); }, {&a},
                     SignatureVerdict::Mismatch, nullptr, "not a regular file"});
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteBytes(Pack(), "the pack's bytes"));
        platform::RemoveTree(SignaturePathOf(Pack()));
        c.prepare();
        std::vector<minisign::PublicKey> trusted;
        for (const KeyPair* k : c.trusted) trusted.push_back(k->pub);
        const SignatureCheck check = VerifyFileSignature(Pack(), trusted);
        EXPECT_EQ(check.verdict, c.verdict) << check.reason;
        EXPECT_EQ(check.keyId, c.namedKey ? minisign::KeyIdText(c.namedKey->pub.id) : "");
        EXPECT_EQ(check.reason.empty(), c.verdict == SignatureVerdict::Accepted) << check.reason;
        EXPECT_NE(check.reason.find(c.reason), std::string::npos) << check.reason;
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
    const std::string none = "the file holds no minisign public key";
    const std::vector<Case> cases = {
        // A file that is there but yields no key refuses every pack.
        {"", 0, none},
        {"# no key yet\r\n\r\n", 0, none},
        {"# " + lineA + "\n", 0, none},
        {minisign::FormatPublicKeyFile(a.pub).substr(0, 40), 0, none},
        // Lines ended by CR alone, as old editors write them.
        {"untrusted comment: vendor\r" + lineA + "\r" + lineB + "\r", 2, ""},
        {lineA + "\rRWQ\r\n", 0, "line 2 is no minisign public key"},
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
        EXPECT_TRUE(trust.InForce());
    }
    EXPECT_FALSE(ReadTrustFile(L"no such folder\\trusted-keys.txt").InForce());
}

TEST(TrustedKeysTest, SiteFilesAndKeysAddedToThem) {
    TempFolder dir;
    KeyPair a = NewKeys(), b = NewKeys();
    const std::string lineA = minisign::PublicKeyLine(a.pub), lineB = minisign::PublicKeyLine(b.pub);
    // The release zip: Quillon.exe on top, quillon.exe and packtool.exe in cli\.
    const std::wstring top = dir / L"Quillon", cli = top + L"\\cli";
    ASSERT_TRUE(platform::MakeDirectory(top) && platform::MakeDirectory(cli));
    EXPECT_EQ(TrustFilesBesideProgram(cli), std::vector<std::wstring>{cli + L"\\trusted-keys.txt"})
        << "without Quillon.exe one folder up, only the program's own folder";
    ASSERT_TRUE(WriteBytes(top + L"\\Quillon.exe", "MZ"));
    const std::vector<std::wstring> files = TrustFilesBesideProgram(cli);
    EXPECT_EQ(files, (std::vector<std::wstring>{cli + L"\\trusted-keys.txt", top + L"\\trusted-keys.txt"}));

    EXPECT_FALSE(ReadSiteTrust(files).InForce()) << "no site file: no check";
    ASSERT_TRUE(WriteBytes(files[1], lineA + "\n"));
    EXPECT_EQ(ReadSiteTrust(files).keys.size(), 1u);
    ASSERT_TRUE(WriteBytes(files[0], lineB + "\n"));
    EXPECT_EQ(ReadSiteTrust(files).keys.size(), 2u) << "both files apply";
    ASSERT_TRUE(WriteBytes(files[0], "# the key goes here\n"));
    TrustedKeys site = ReadSiteTrust(files);
    EXPECT_TRUE(site.Broken());
    EXPECT_NE(site.problem.find("no minisign public key"), std::string::npos) << site.problem;
    EXPECT_NE(site.problem.find("cli"), std::string::npos) << "the message names the file: " << site.problem;

    // A key given on the command line adds to a site file, never lifts a broken one.
    std::string problem;
    EXPECT_TRUE(AddTrustedKey(&site, platform::Utf8ToWide(lineA), &problem)) << problem;
    EXPECT_TRUE(site.Broken());
    EXPECT_TRUE(site.keys.empty());
    // --trusted-key takes a whole trust file too; a keyless one is a usage error.
    TrustedKeys given;
    ASSERT_TRUE(WriteBytes(dir / L"two.txt", minisign::FormatPublicKeyFile(a.pub) + lineB + "\n"));
    EXPECT_TRUE(AddTrustedKey(&given, dir / L"two.txt", &problem)) << problem;
    EXPECT_EQ(given.keys.size(), 2u);
    EXPECT_FALSE(AddTrustedKey(&given, files[0], &problem));
    EXPECT_EQ(problem, "the file holds no minisign public key");

    // Something that is no regular file in the trust file's place is broken, at once.
    ASSERT_TRUE(platform::RemoveFile(files[0]) && platform::MakeDirectory(files[0]));
    EXPECT_EQ(ReadSiteTrust(files).problem, platform::WideToUtf8(files[0]) + ": the file is not a regular file");
#if !defined(_WIN32)
    ASSERT_TRUE(platform::RemoveTree(files[0]));
    ASSERT_EQ(mkfifo(Native(files[0]).c_str(), 0600), 0);
    EXPECT_TRUE(ReadSiteTrust(files).Broken());
    // Natively the site file is /etc/quillon/trusted-keys.txt, or the one the variable names.
    std::wstring saved;
    const bool had = platform::ReadEnvironment(kTrustFileVariable, &saved);
    const std::wstring named = dir / L"site.txt";
    ASSERT_TRUE(platform::WriteEnvironment(kTrustFileVariable, &named));
    EXPECT_EQ(SiteTrustFiles(), std::vector<std::wstring>{named});
    platform::WriteEnvironment(kTrustFileVariable, nullptr);
    EXPECT_EQ(SiteTrustFiles(), std::vector<std::wstring>{kNativeTrustFile});
    if (had) platform::WriteEnvironment(kTrustFileVariable, &saved);
#endif
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
    EXPECT_FALSE(minisign::SecretKeyHasPassword(file));
}

// The vendor's secret key file: its owner's alone, never written through a link.
TEST(MinisignKeyFileTest, SecretKeyFilesAreTheirOwnersAlone) {
    TempFolder dir;
    const std::wstring key = dir / L"vendor.key", shared = dir / L"shared.txt";
    ASSERT_TRUE(WriteNewFile(key, "secret", true));
    EXPECT_FALSE(WriteNewFile(key, "again", true)) << "an existing file is never replaced";
    std::string text, problem, who;
    ASSERT_TRUE(ReadSmallFile(key, &text, &problem)) << problem;
    EXPECT_EQ(text, "secret");
    EXPECT_FALSE(OthersMayRead(key, &who)) << who;
#if defined(_WIN32)
    // Read the access list back: the user's entry, nothing inherited from
    // the folder (Wine, which keeps no lists, shows the system's beside it).
    const auto Accounts = [](const std::wstring& path, std::vector<std::string>* accounts) {
        HANDLE h = CreateFileW(path.c_str(), READ_CONTROL, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        PACL dacl = nullptr;
        PSECURITY_DESCRIPTOR sd = nullptr;
        ASSERT_EQ(GetSecurityInfo(h, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr, &sd),
                  static_cast<DWORD>(ERROR_SUCCESS));
        CloseHandle(h);
        ASSERT_NE(dacl, nullptr);
        HANDLE token;
        ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
        unsigned char user[256];
        DWORD size = sizeof user;
        ASSERT_TRUE(GetTokenInformation(token, TokenUser, user, size, &size));
        CloseHandle(token);
        for (DWORD i = 0; i < dacl->AceCount; ++i) {
            ACCESS_ALLOWED_ACE* ace = nullptr;
            ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
            if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
            if (EqualSid(&ace->SidStart, reinterpret_cast<TOKEN_USER*>(user)->User.Sid)) accounts->push_back("user");
            else if (IsWellKnownSid(&ace->SidStart, WinLocalSystemSid)) accounts->push_back("system");
            else accounts->push_back("other");
        }
        LocalFree(sd);
    };
    std::vector<std::string> accounts;
    Accounts(key, &accounts);
    std::sort(accounts.begin(), accounts.end());
    accounts.erase(std::remove(accounts.begin(), accounts.end(), "system"), accounts.end());
    EXPECT_EQ(accounts, std::vector<std::string>{"user"});
    // A file made the ordinary way lets others in, and a key in it is refused.
    ASSERT_TRUE(WriteNewFile(shared, "x", false));
    accounts.clear();
    Accounts(shared, &accounts);
    if (std::count(accounts.begin(), accounts.end(), "other")) EXPECT_TRUE(OthersMayRead(shared, &who));
#else
    struct stat st;
    ASSERT_EQ(stat(Native(key).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_TRUE(WriteNewFile(shared, "x", false));
    ASSERT_EQ(chmod(Native(shared).c_str(), 0644), 0);  // whatever the umask
    EXPECT_TRUE(OthersMayRead(shared, &who));
    EXPECT_EQ(who, "its group or other users (mode 0644)");
    // A link in the place of a new key file, even one pointing nowhere, is not followed.
    const std::wstring target = dir / L"elsewhere.pub", link = dir / L"vendor.pub";
    ASSERT_EQ(symlink(Native(target).c_str(), Native(link).c_str()), 0);
    EXPECT_FALSE(WriteNewFile(link, "public", false));
    EXPECT_FALSE(OverwriteSmallFile(link, "signature"));
    EXPECT_FALSE(platform::PathExists(target));
#endif
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
