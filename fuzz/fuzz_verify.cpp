// The verify record reader on a verify file of arbitrary content.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "pack/UpgradePack.h"
#include "platform/Alert.h"
#include "platform/File.h"

namespace {
std::wstring Folder() {
    static std::wstring folder = [] {
        std::wstring f = platform::TempDirectory() + L"\\quillon-fuzz-verify-" + std::to_wstring(getpid());
        platform::MakeDirectory(f);
        platform::SetAlertHook([](const std::wstring&, const std::wstring&) {});
        return f;
    }();
    return folder;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring folder = Folder();
    FILE* f = platform::OpenFile(folder + L"\\UpgradePack.verify", "wb");
    if (!f) std::abort();
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    CUpgradePack pack(folder);
    const PackVerifyInfo& info = pack.GetVerifyInfo();
    if (info.ModelName().size() > PackVerifyInfo::kModelUnits) std::abort();
    // A short file leaves the record zero behind what was read.
    if (size < PackVerifyInfo::kSize) {
        for (size_t i = size; i < PackVerifyInfo::kSize; ++i)
            if (info.bytes[i] != 0) std::abort();
    }
    info.PackKind();
    return 0;
}
