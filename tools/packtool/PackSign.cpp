#include "PackSign.h"

#include <ctime>

#include "PlainFile.h"
#include "platform/Environment.h"
#include "platform/File.h"
#include "platform/Text.h"
#include "signature/PackSignature.h"

namespace {
// A password-protected minisign key is opened with the password in this variable.
constexpr wchar_t kPasswordVariable[] = L"PACKTOOL_KEY_PASSWORD";

std::string FileNameOf(const std::wstring& path) {
    const size_t cut = path.find_last_of(L"\\/");
    return platform::WideToUtf8(cut == std::wstring::npos ? path : path.substr(cut + 1));
}
}  // namespace

int SignPack(const std::wstring& keyFile, const std::wstring& pack, const std::wstring* trustedComment,
             ToolOutput& io) {
    if (!platform::PathExists(pack) || !IsPlainFile(pack)) {
        io.Err(pack + L": no such file");
        return kExitUsage;
    }
    std::string text, problem;
    if (!ReadSmallFile(keyFile, &text)) {
        io.Err(keyFile + L": cannot be read");
        return kExitUsage;
    }
    std::wstring password;
    const bool havePassword = platform::ReadEnvironment(kPasswordVariable, &password);
    const std::string passwordUtf8 = platform::WideToUtf8(password);
    minisign::SecretKey key;
    if (!minisign::ParseSecretKeyFile(text, havePassword ? &passwordUtf8 : nullptr, &key, &problem)) {
        std::wstring why = platform::Utf8ToWide(problem);
        if (!havePassword && problem.find("password") != std::string::npos)
            why += std::wstring(L" (set ") + kPasswordVariable + L")";
        io.Err(keyFile + L": " + why);
        return kExitUsage;
    }
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
    if (!WriteSecretFile(secretFile, minisign::FormatSecretKeyFile(secretKey)) ||
        !WriteSmallFile(publicFile, minisign::FormatPublicKeyFile(publicKey))) {
        io.Err(base + L": the key files cannot be written");
        return kExitUsage;
    }
    io.Out(L"key id: " + platform::Utf8ToWide(minisign::KeyIdText(publicKey.id)));
    io.Out(L"secret key: " + secretFile + L" (keep it private; it has no password)");
    io.Out(L"public key: " + publicFile + L" (" + platform::Utf8ToWide(minisign::PublicKeyLine(publicKey)) + L")");
    return kExitAccepted;
}
