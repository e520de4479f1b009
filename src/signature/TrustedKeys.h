#pragma once
// The public keys a site trusts to sign packs: the file "trusted-keys.txt"
// beside the program, or keys named one by one on the command line.
// A file holds one minisign public key (its base64 line, "RW...") per
// line; blank lines, lines starting with "#" and minisign's
// "untrusted comment:" lines are skipped, so .pub files can simply be
// appended. Several keys at once let a vendor roll its key over.
#include <string>
#include <vector>

#include "signature/MinisignFormat.h"

inline constexpr wchar_t kTrustFileName[] = L"trusted-keys.txt";

struct TrustedKeys {
    std::vector<minisign::PublicKey> keys;
    std::string problem;  // why the list cannot be used (a broken line, an unreadable file), or empty;
                          // a broken list holds no keys

    bool Broken() const { return !problem.empty(); }
    // With no key and no problem nothing is checked, as before signing existed.
    bool InForce() const { return !keys.empty() || Broken(); }
};

TrustedKeys ParseTrustedKeys(const std::string& text);

// A missing file trusts nothing (no check); an unreadable one is broken.
TrustedKeys ReadTrustFile(const std::wstring& path);

// One key given by the user: its base64 line, or a public key file.
// False, with the problem, when it is neither.
bool AddTrustedKey(TrustedKeys* trust, const std::wstring& keyOrFile, std::string* problem);
