#include "PackCheck.h"

#include "PlainFile.h"
#include "ScratchFolder.h"
#include "app/ModelMatch.h"
#include "pack/FolderMD5Check.h"
#include "pack/Unzip.h"
#include "pack/UpgradePack.h"
#include "pack/ZipExtraction.h"
#include "platform/Alert.h"
#include "platform/File.h"
#include "platform/Text.h"

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
    if (!platform::PathExists(pack) || platform::IsDirectory(pack)) {
        io.Err(pack + L": no such file");
        return kExitUsage;
    }
    if (!IsPlainFile(pack)) {
        io.Err(pack + L": not a regular file");
        return kExitUsage;
    }
    ScratchFolder scratch;
    if (!scratch.Create()) {
        io.Err(platform::TempDirectory() + L": cannot create a temporary folder");
        return kExitUsage;
    }
    const std::wstring folder = scratch.Path() + L"\\pack";
    const UnzipOutcome extracted = ExtractArchive(folder, pack);
    if (extracted.status == kUnzipCannotOpenOrNoSpace) {
        io.Err(pack + L": cannot be extracted (" + platform::Utf8ToWide(extracted.reason) + L"; free space in " +
               platform::TempDirectory() + L" counts)");
        return kExitUsage;
    }
    if (extracted.status != kUnzipDone) {
        io.Out(kDamaged);
        io.Err(pack + L": damaged: " + platform::Utf8ToWide(extracted.reason));
        return kExitRefused;
    }

    AlertsToOutput alerts(io);
    const PackVerifyInfo info = CUpgradePack(folder).GetVerifyInfo();
    const DeviceModel* row = FindDeviceModel(modelIndex);
    ModelMatchResult match =
        MatchPackToSelection(info.ModelName(), info.PackKind(), modelIndex, row ? row->name : L"", kind);
    if (!match.accepted) {
        io.Out(EscapeControls(match.message));
        return kExitRefused;
    }
    bool damaged;
    {
        CFolderMD5Check check(folder);
        damaged = check.IsDamaged();
    }
    if (damaged) {
        io.Out(kDamaged);
        io.Err(pack + L": damaged: a file is missing from the manifest, unlisted, or has another MD5");
        return kExitRefused;
    }
    io.Out(pack + L": accepted for " + EscapeControls(match.modelName) + L" " + PackKindName(kind));
    return kExitAccepted;
}
