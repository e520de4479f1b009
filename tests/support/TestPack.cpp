#include "support/TestPack.h"

#include "pack/MD5IniFile.h"
#include "pack/Md5.h"
#include "pack/PackVerifyInfo.h"
#include "pack/ZipWriter.h"
#include "platform/Text.h"
#include "support/TempFolder.h"

std::string Md5Hex(const std::string& bytes) {
    Md5Context ctx;
    Md5Init(&ctx);
    Md5Update(&ctx, bytes.data(), bytes.size());
    uint8_t digest[16];
    Md5Final(&ctx, digest);
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (uint8_t b : digest) {
        out.push_back(hex[b >> 4]);
        out.push_back(hex[b & 15]);
    }
    return out;
}

bool WriteTestPack(const std::wstring& zipPath, const PackRecipe& recipe) {
    const platform::LocalTime when{2016, 3, 15, 10, 20, 30};
    ZipWriter zip;
    if (!zip.Open(zipPath)) return false;
    std::map<std::wstring, std::wstring> manifest;
    for (const auto& [name, data] : recipe.files) {
        if (!zip.AddData(name, data, when)) return false;
        std::wstring key = L"." + platform::AnsiToWide("\\" + name);
        for (wchar_t& c : key)
            if (c == L'/') c = L'\\';
        manifest[key] = platform::AnsiToWide(Md5Hex(data));
    }
    if (recipe.withVerify) {
        PackVerifyInfo info{};
        if (!info.Set(recipe.model, recipe.kind)) return false;
        std::string bytes(reinterpret_cast<const char*>(info.bytes), PackVerifyInfo::kSize);
        if (!zip.AddData("UpgradePack.verify", bytes, when)) return false;
        manifest[L".\\UpgradePack.verify"] = platform::AnsiToWide(Md5Hex(bytes));
    }
    if (recipe.withManifest) {
        if (recipe.editManifest) recipe.editManifest(manifest);
        CMD5IniFile ini;
        for (const auto& [key, value] : manifest) ini.SetValue(L"MD5", key, value);
        TempFolder scratch;
        std::wstring iniPath = scratch / L"FolderMD5.ini";
        std::string bytes;
        if (!ini.Save(iniPath) || !ReadBytes(iniPath, &bytes)) return false;
        if (!zip.AddData("FolderMD5.ini", bytes, when)) return false;
    }
    return zip.Close();
}
