#include "packtool/PackCheck.h"

#include "packtool/PlainFile.h"
#include "app/ModelMatch.h"
#include "app/PackSnapshot.h"
#include "app/UpgradePackCheck.h"
#include "platform/Alert.h"
#include "platform/File.h"
#include "platform/ScratchFolder.h"
#include "platform/Text.h"
#include "signature/TrustedKeys.h"

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

}  // namespace

std::wstring CheckFolderIn(const std::wstring& scratchFolder) { return scratchFolder + L"\\pack"; }

int CheckPack(int modelIndex, PackKind kind, const std::wstring& pack, ToolOutput& io, const TrustedKeys* trust) {
    const std::wstring unusable = PackFileProblem(pack);
    if (!unusable.empty()) {
        io.Err(pack + unusable);
        return kExitUsage;
    }
    platform::ScratchFolder scratch;
    if (!scratch.Create(L"packtool-")) {
        io.Err(platform::TempDirectory() + L": cannot create a temporary folder");
        return kExitUsage;
    }
    const std::wstring folder = CheckFolderIn(scratch.Path());
    AlertsToOutput alerts(io);
    const DeviceModel* row = FindDeviceModel(modelIndex);
    // The check reads the pack once, as a run does, and judges that copy.
    std::string problem;
    const std::wstring name = row ? row->name : L"";
    std::shared_ptr<const PackSnapshot> copy = PackSnapshot::Take(pack, scratch.Path() + L"\\pack.snapshot", &problem);
    const PackCheckResult check = copy ? CheckUpgradePack(*copy, folder, {modelIndex, name, kind, trust})
                                       : UnreadablePack(problem, modelIndex, name);
    copy.reset();  // before the scratch folder goes
    switch (check.verdict) {
        case PackVerdict::BadSignature:
            io.Out(check.message);
            io.Err(pack + L": " + platform::Utf8ToWide(check.reason));
            return kExitRefused;
        case PackVerdict::CannotExtract:
            io.Err(pack + L": cannot be extracted (" + platform::Utf8ToWide(check.reason) + L"; free space in " +
                   platform::TempDirectory() + L" counts)");
            return kExitUsage;
        case PackVerdict::Damaged:
            io.Out(check.message);
            io.Err(pack + L": damaged: " + platform::Utf8ToWide(check.reason));
            return kExitRefused;
        case PackVerdict::WrongModel:
            io.Out(EscapeControls(check.message));
            return kExitRefused;
        case PackVerdict::Accepted:
            break;
    }
    io.Out(pack + L": accepted for " + EscapeControls(check.modelName) + L" " + PackKindName(kind));
    if (!check.signerKeyId.empty()) io.Out(L"signed by key " + platform::Utf8ToWide(check.signerKeyId));
    return kExitAccepted;
}
