#include "PackCheck.h"

#include "ScratchFolder.h"
#include "app/ModelMatch.h"
#include "pack/FolderMD5Check.h"
#include "pack/Unzip.h"
#include "pack/UpgradePack.h"
#include "platform/Alert.h"
#include "platform/File.h"

namespace {

// The verify reader's boxes become lines on standard error.
class AlertsToOutput {
public:
    explicit AlertsToOutput(ToolOutput& io)
        : m_previous(platform::SetAlertHook(
              [&io](const std::wstring& text, const std::wstring& caption) { io.Err(caption + L": " + text); })) {}
    ~AlertsToOutput() { platform::SetAlertHook(m_previous); }

private:
    platform::AlertHook m_previous;
};

const wchar_t kDamaged[] = L"升级失败，升级包被损坏.";

}  // namespace

int CheckPack(int modelIndex, PackKind kind, const std::wstring& pack, ToolOutput& io) {
    uint32_t attributes = 0;
    if (!platform::GetAttributes(pack, &attributes) || platform::IsDirectory(pack)) {
        io.Err(pack + L": no such file");
        return kExitUsage;
    }
    ScratchFolder scratch;
    if (!scratch.Create()) {
        io.Err(platform::TempDirectory() + L": cannot create a temporary folder");
        return kExitUsage;
    }
    const std::wstring folder = scratch.Path() + L"\\pack";
    int status = unzip(folder.c_str(), pack.c_str());
    if (status == -1) {
        io.Err(pack + L": cannot be extracted (not a zip archive, unreadable, or larger than the free space in " +
               platform::TempDirectory() + L")");
        return kExitUsage;
    }
    if (status != 0) io.Err(pack + L": the archive is damaged (zip status " + std::to_wstring(status) + L")");

    AlertsToOutput alerts(io);
    const PackVerifyInfo info = CUpgradePack(folder).GetVerifyInfo();
    const DeviceModel* row = FindDeviceModel(modelIndex);
    ModelMatchResult match =
        MatchPackToSelection(info.ModelName(), info.PackKind(), modelIndex, row ? row->name : L"", kind);
    if (!match.accepted) {
        io.Out(match.message);
        return kExitRefused;
    }
    bool damaged;
    {
        CFolderMD5Check check(folder);
        damaged = check.IsDamaged();
    }
    if (damaged) {
        io.Out(kDamaged);
        return kExitRefused;
    }
    io.Out(pack + L": accepted for " + match.modelName + L" " + PackKindName(kind));
    return kExitAccepted;
}
