#pragma once
// Builds upgrade packs for tests: the files, the verify record and the MD5
// manifest, zipped, with switches for the faults a pack can have.
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

struct PackRecipe {
    // A pack of the default files for `model` and `kind`.
    static PackRecipe For(const std::wstring& model, int kind) {
        PackRecipe r;
        r.model = model;
        r.kind = kind;
        return r;
    }

    std::wstring model = L"M2410";
    int kind = 0;
    // Entry names use '/' between folders; contents are raw bytes.
    std::vector<std::pair<std::string, std::string>> files = {
        {"app/main.bin", std::string("\x7f" "ELF\x01\x02\x00\x00payload", 16)},
        {"app/config.ini", "[terminal]\r\nrate=50\r\n"},
        {"readme.txt", "release notes\n"},
    };
    bool withVerify = true;
    bool withManifest = true;
    // Edits the manifest's section "MD5" (key .\sub\file -> digest) before it is written.
    std::function<void(std::map<std::wstring, std::wstring>&)> editManifest;
};

// Writes the pack to `zipPath`; false when any step failed.
bool WriteTestPack(const std::wstring& zipPath, const PackRecipe& recipe);

// Lowercase hexadecimal MD5 of bytes.
std::string Md5Hex(const std::string& bytes);
