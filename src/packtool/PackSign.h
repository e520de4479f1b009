#pragma once
// packtool sign and keygen: minisign signatures of packs and the key pairs
// that make them, in files minisign itself reads.
#include <string>

#include "packtool/ToolOutput.h"

// Writes PACK.minisig, signed with the secret key in `keyFile`. Without
// `trustedComment` the comment is minisign's own: the time and the file name.
int SignPack(const std::wstring& keyFile, const std::wstring& pack, const std::wstring* trustedComment,
             ToolOutput& io);

// Writes BASE.key (secret, without a password) and BASE.pub; refuses to
// replace either.
int MakeKeyPairFiles(const std::wstring& base, ToolOutput& io);
