#pragma once
// Where the site's trust file is: one policy for the window, quillon and
// packtool check. Where a site file exists it always applies; keys given
// on the command line are added to it and never lift it.
//   Windows: trusted-keys.txt beside the program, and one folder up when
//            that folder holds Quillon.exe (the release zip, whose command-
//            line programs are in cli\).
//   native:  /etc/quillon/trusted-keys.txt, or the file the environment
//            variable QUILLON_TRUST_FILE names instead (tests, a site that
//            keeps its configuration elsewhere).
#include <string>
#include <vector>

#include "signature/TrustedKeys.h"

inline constexpr wchar_t kTrustFileVariable[] = L"QUILLON_TRUST_FILE";
inline constexpr wchar_t kNativeTrustFile[] = L"/etc/quillon/trusted-keys.txt";

// The files this program looks for, whether they exist or not.
std::vector<std::wstring> SiteTrustFiles();

// The Windows rule for a program in `programFolder` (portable, so both
// builds test it).
std::vector<std::wstring> TrustFilesBesideProgram(const std::wstring& programFolder);

// Where the files are looked for, in English, for --help.
std::wstring SiteTrustFilesText();

// Every file of `files` that exists, read afresh: their keys together;
// broken (naming the file) when one of them is. None there: no check.
TrustedKeys ReadSiteTrust(const std::vector<std::wstring>& files);
