#include "signature/TrustedKeys.h"

#include "platform/File.h"
#include "platform/Text.h"
#include "signature/PackSignature.h"

TrustedKeys ParseTrustedKeys(const std::string& text) {
    TrustedKeys trust;
    size_t start = 0;
    for (int number = 1; start < text.size(); ++number) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (number == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);  // Notepad's byte-order mark
        const size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#' || line.compare(first, 18, "untrusted comment:") == 0)
            continue;
        minisign::PublicKey key;
        if (!minisign::ParsePublicKeyLine(line, &key)) {
            // A list with a broken line trusts nothing: its author meant something else.
            trust.keys.clear();
            trust.problem = "line " + std::to_string(number) + " is no minisign public key";
            return trust;
        }
        trust.keys.push_back(key);
    }
    return trust;
}

TrustedKeys ReadTrustFile(const std::wstring& path) {
    if (!platform::PathExists(path)) return TrustedKeys();
    std::string text;
    if (!ReadSmallFile(path, &text)) {
        TrustedKeys broken;
        broken.problem = "the file cannot be read";
        return broken;
    }
    return ParseTrustedKeys(text);
}

bool AddTrustedKey(TrustedKeys* trust, const std::wstring& keyOrFile, std::string* problem) {
    minisign::PublicKey key;
    if (minisign::ParsePublicKeyLine(platform::WideToUtf8(keyOrFile), &key)) {
        trust->keys.push_back(key);
        return true;
    }
    std::string text;
    if (!platform::PathExists(keyOrFile) || !ReadSmallFile(keyOrFile, &text)) {
        *problem = "neither a public key nor a readable key file";
        return false;
    }
    if (!minisign::ParsePublicKeyFile(text, &key, problem)) return false;
    trust->keys.push_back(key);
    return true;
}
