#pragma once
// The public keys a site trusts to sign packs: its trust file
// "trusted-keys.txt" (where each program looks for it: SiteTrust.h), and
// keys or further trust files named on the command line.
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
    std::string problem;  // why the list cannot be used (a broken line, no key at all, an unreadable
                          // file), or empty; a broken list holds no keys

    bool Broken() const { return !problem.empty(); }
    // With no key and no problem (no trust file) nothing is checked, as
    // before signing existed.
    bool InForce() const { return !keys.empty() || Broken(); }
};

// A trust file's text. Lines end with LF, CR LF or CR alone. A file that
// exists trusts something or nothing at all: a broken line, or no key in
// it, gives a broken list, which no pack passes.
TrustedKeys ParseTrustedKeys(const std::string& text);

// A missing file trusts nothing (no check); one that exists but is no
// regular file, cannot be read or yields no key is broken.
TrustedKeys ReadTrustFile(const std::wstring& path);

// A key given by the user: its base64 line, a .pub file or a whole trust
// file, whose keys are added to `trust` (a broken list stays broken and
// empty). False, with the problem, when it is none of them.
bool AddTrustedKey(TrustedKeys* trust, const std::wstring& keyOrFile, std::string* problem);
