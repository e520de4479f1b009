#include "signature/TrustedKeys.h"

#include "platform/File.h"
#include "platform/Text.h"
#include "signature/SignatureFiles.h"

namespace {
TrustedKeys Broken(const std::string& problem) {
    TrustedKeys broken;
    broken.problem = problem;
    return broken;
}
}  // namespace

TrustedKeys ParseTrustedKeys(const std::string& text) {
    TrustedKeys trust;
    size_t start = 0;
    for (int number = 1; start < text.size(); ++number) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        if (number == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);  // Notepad's byte-order mark
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#' || line.compare(first, 18, "untrusted comment:") == 0)
            continue;
        minisign::PublicKey key;
        // A list with a broken line trusts nothing: its author meant something else.
        if (!minisign::ParsePublicKeyLine(line, &key))
            return Broken("line " + std::to_string(number) + " is no minisign public key");
        trust.keys.push_back(key);
    }
    // A file that is there but names no key (empty, or the key commented
    // out) meant to require one: it must not turn checking off.
    if (trust.keys.empty()) return Broken("the file holds no minisign public key");
    return trust;
}

TrustedKeys ReadTrustFile(const std::wstring& path) {
    if (!platform::PathExists(path)) return TrustedKeys();
    std::string text, problem;
    if (!ReadSmallFile(path, &text, &problem)) return Broken("the file " + problem);
    return ParseTrustedKeys(text);
}

bool AddTrustedKey(TrustedKeys* trust, const std::wstring& keyOrFile, std::string* problem) {
    minisign::PublicKey key;
    if (minisign::ParsePublicKeyLine(platform::WideToUtf8(keyOrFile), &key)) {
        if (!trust->Broken()) trust->keys.push_back(key);
        return true;
    }
    std::string text;
    if (!platform::PathExists(keyOrFile)) {
        *problem = "neither a public key nor a key or trust file";
        return false;
    }
    if (!ReadSmallFile(keyOrFile, &text, problem)) {
        *problem = "the file " + *problem;
        return false;
    }
    const TrustedKeys more = ParseTrustedKeys(text);  // a .pub file is a trust file of one key
    if (more.Broken()) {
        *problem = more.problem;
        return false;
    }
    if (!trust->Broken()) trust->keys.insert(trust->keys.end(), more.keys.begin(), more.keys.end());
    return true;
}
