#include "packtool/PackSign.h"

#include <ctime>

#include "packtool/PlainFile.h"
#include "packtool/TerminalPassword.h"
#include "platform/Environment.h"
#include "platform/File.h"
#include "platform/Text.h"
#include "signature/PackSignature.h"
#include "signature/SignatureFiles.h"

namespace {
// Scripts give a password-protected minisign key's password in this
// variable; otherwise it is asked for on the terminal.
constexpr wchar_t kPasswordVariable[] = L"PACKTOOL_KEY_PASSWORD";

std::string FileNameOf(const std::wstring& path) {
    const size_t cut = path.find_last_of(L"\\/");
    return platform::WideToUtf8(cut == std::wstring::npos ? path : path.substr(cut + 1));
}

// A secret's text, wiped when it goes out of scope.
struct Secret {
    std::string text;
    ~Secret() { WipeSecret(&text); }
};

// The secret key of `keyFile`, its password from the environment or the
// terminal; false after saying why on standard error.
bool OpenSecretKey(const std::wstring& keyFile, minisign::SecretKey* key, ToolOutput& io) {
    // A key others may read is no longer the vendor's alone: refused, not
    // merely warned about, before a byte of it is read.
    std::string who, problem;
    if (platform::PathExists(keyFile) && OthersMayRead(keyFile, &who)) {
        io.Err(keyFile + L": refused: the secret key may be read by " + platform::Utf8ToWide(who) +
               L"; make it its owner's alone (chmod 600, or on Windows remove the other accounts from its "
               L"security settings) or make a new key pair with packtool keygen");
        return false;
    }
    Secret text;
    if (!ReadSmallFile(keyFile, &text.text, &problem)) {
        io.Err(keyFile + L": " + platform::Utf8ToWide(problem));
        return false;
    }
    Secret password;
    const std::string* given = nullptr;
    if (minisign::SecretKeyHasPassword(text.text)) {
        std::wstring fromEnvironment;
        if (platform::ReadEnvironment(kPasswordVariable, &fromEnvironment)) {
            password.text = platform::WideToUtf8(fromEnvironment);
            WipeSecret(&fromEnvironment);
        } else if (!ReadPasswordFromTerminal(L"Password for " + keyFile + L": ", &password.text)) {
            io.Err(keyFile + L": the secret key is protected by a password, and there is no terminal to ask it on (set " +
                   kPasswordVariable + L")");
            return false;
        }
        given = &password.text;
    }
    if (!minisign::ParseSecretKeyFile(text.text, given, key, &problem)) {
        io.Err(keyFile + L": " + platform::Utf8ToWide(problem));
        return false;
    }
    return true;
}

}  // namespace

int SignPack(const std::wstring& keyFile, const std::wstring& pack, const std::wstring* trustedComment,
             ToolOutput& io) {
    if (!platform::PathExists(pack) || !IsPlainFile(pack)) {
        io.Err(pack + L": no such file");
        return kExitUsage;
    }
    minisign::SecretKey key;  // wiped when it goes
    if (!OpenSecretKey(keyFile, &key, io)) return kExitUsage;
    std::string problem;
    const std::string comment = trustedComment ? platform::WideToUtf8(*trustedComment)
                                               : "timestamp:" + std::to_string(static_cast<long long>(std::time(nullptr))) +
                                                     "\tfile:" + FileNameOf(pack) + "\thashed";
    if (!SignFile(pack, key, comment, &problem)) {
        io.Err(pack + L": " + platform::Utf8ToWide(problem));
        return kExitUsage;
    }
    io.Out(SignaturePathOf(pack) + L": signed by key " + platform::Utf8ToWide(minisign::KeyIdText(key.id)));
    return kExitAccepted;
}

int MakeKeyPairFiles(const std::wstring& base, ToolOutput& io) {
    const std::wstring secretFile = base + L".key", publicFile = base + L".pub";
    for (const std::wstring& f : {secretFile, publicFile}) {
        if (platform::PathExists(f)) {
            io.Err(f + L": exists already; not replaced");
            return kExitUsage;
        }
    }
    minisign::PublicKey publicKey;
    minisign::SecretKey secretKey;
    if (!MakeKeyPair(&publicKey, &secretKey)) {
        io.Err(L"no key pair: libsodium cannot start");
        return kExitUsage;
    }
    // Both are new files: a link left in the place of either (even one
    // pointing nowhere, which PathExists does not see) is not followed.
    Secret text;
    text.text = minisign::FormatSecretKeyFile(secretKey);
    if (!WriteNewFile(secretFile, text.text, true)) {
        io.Err(secretFile + L": cannot be written as a new file");
        return kExitUsage;
    }
    if (!WriteNewFile(publicFile, minisign::FormatPublicKeyFile(publicKey), false)) {
        platform::RemoveFile(secretFile);  // a secret key without its public half is of no use
        io.Err(publicFile + L": cannot be written as a new file");
        return kExitUsage;
    }
    io.Out(L"key id: " + platform::Utf8ToWide(minisign::KeyIdText(publicKey.id)));
    io.Out(L"secret key: " + secretFile + L" (its owner's alone; keep it private; it has no password)");
    io.Out(L"public key: " + publicFile + L" (" + platform::Utf8ToWide(minisign::PublicKeyLine(publicKey)) + L")");
    return kExitAccepted;
}
