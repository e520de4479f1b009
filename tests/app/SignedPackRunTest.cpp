// Whole runs once the site trusts signing keys ("trusted-keys.txt" beside
// the program): the signature is the check's first step, every refusal has
// its own text and leaves the terminal untouched, and the record names the
// key that signed.
#include <gtest/gtest.h>

#include <cwchar>
#include <functional>

#include "app/RecordingProgressSink.h"
#include "app/RunRecord.h"
#include "app/UpgradeRun.h"
#include "platform/File.h"
#include "signature/PackSignature.h"
#include "signature/TrustedKeys.h"
#include "support/RunFixture.h"

namespace {

struct Keys {
    minisign::PublicKey pub;
    minisign::SecretKey sec;
    Keys() { EXPECT_TRUE(MakeKeyPair(&pub, &sec)); }
    std::string Line() const { return minisign::PublicKeyLine(pub) + "\n"; }
    std::string Id() const { return minisign::KeyIdText(pub.id); }
    // Another key that happens to carry `other`'s id.
    static Keys SameIdAs(const Keys& other) {
        Keys k;
        k.pub.id = k.sec.id = other.pub.id;
        return k;
    }
};

class SignedPackRunTest : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        UsbDiskInfo disk{};
        std::wcsncpy(disk.volume.szDrivePath, (diskFolder + L"\\").c_str(), 255);
        disk.volume.dwDiskNumber = 1;
        disk.wVendorId = 0x04CC;
        disk.wProductId = 0x1213;
        selection.terminalDisks.Replace({disk});
    }
    void Sign(const minisign::SecretKey& key) {
        std::string problem;
        ASSERT_TRUE(SignFile(selection.packPath, key, "release 7", &problem)) << problem;
    }
    RunOutcome Run() {
        RunRequest request = MakeRunRequest(selection);
        request.trustFile = programFolder + L"\\" + kTrustFileName;
        RecordingProgressSink reports(progress);
        CUpgradeRun run(request, {reports, ftp, start, files}, programFolder);
        run.Run();
        UpgradeRecord record = StartRunRecord(request, L"V1.0.0.0");
        FinishRunRecord(&record, run.Outcome(), reports);
        line = FormatUpgradeRecord(record);
        return run.Outcome();
    }

    FakeFtp ftp;
    FakeStartCommand start;
    SeamedFileSystem files;
    Keys vendor, next, stranger;
    std::string line;
};

TEST_F(SignedPackRunTest, SignatureIsCheckedFirstAndRefusalsDeliverNothing) {
    const Events accepted{L"0|正准备升级...", L"0.15|", L"0.2|", L"0.5|", L"0.6|", L"0.8|",
                          L"0.85|正在校验升级包...", L"banner ok", L"enter"};
    auto refused = [](const wchar_t* text) { return Events{L"0|正准备升级...", std::wstring(L"0.15|") + text, L"close"}; };
    struct Case {
        const char* name;
        std::string trustFile;
        std::function<void()> sign;
        Events events;
        const Keys* signer;
    };
    const std::vector<Case> cases = {
        {"signed by the trusted key", vendor.Line(), [&] { Sign(vendor.sec); }, accepted, &vendor},
        {"rollover: the next key, both trusted", "# 2026\n" + vendor.Line() + "# 2027\n" + next.Line(),
         [&] { Sign(next.sec); }, accepted, &next},
        {"unsigned", vendor.Line(), [] {}, refused(L"升级失败，升级包没有签名."), nullptr},
        {"signed by a key not trusted", vendor.Line() + next.Line(), [&] { Sign(stranger.sec); },
         refused(L"升级失败，升级包的签名密钥不受信任."), nullptr},
        {"wrongly signed: the vendor's id, another key's signature", vendor.Line(),
         [&] { Sign(minisign::SecretKey{vendor.sec.id, stranger.sec.key}); }, refused(L"升级失败，升级包与签名不符."),
         nullptr},
        {"damaged signature file", vendor.Line(),
         [&] { Sign(vendor.sec); ASSERT_TRUE(WriteBytes(SignaturePathOf(selection.packPath), "untrusted comment: x\nRUQ\n")); },
         refused(L"升级失败，升级包与签名不符."), nullptr},
        {"signature for another pack", vendor.Line(),
         [&] {
             std::string otherSignature;
             MakePack(PackRecipe::For(L"M2410", 1), L"Other.zip");
             Sign(vendor.sec);
             ASSERT_TRUE(ReadBytes(SignaturePathOf(selection.packPath), &otherSignature));
             MakePack({});
             ASSERT_TRUE(WriteBytes(SignaturePathOf(selection.packPath), otherSignature));
         },
         refused(L"升级失败，升级包与签名不符."), nullptr},
        {"a broken line in the trust file", vendor.Line() + "RWQ not a key\n", [&] { Sign(vendor.sec); },
         refused(L"升级失败，受信任密钥文件有误."), nullptr},
        // A trust file that is there but yields no key fails closed.
        {"an empty trust file", "", [&] { Sign(vendor.sec); }, refused(L"升级失败，受信任密钥文件有误."), nullptr},
        {"the key written on a comment line", "# " + vendor.Line(), [&] { Sign(vendor.sec); },
         refused(L"升级失败，受信任密钥文件有误."), nullptr},
        {"lines ended by CR alone", "# vendor\r" + vendor.Line().substr(0, vendor.Line().size() - 1) + "\r",
         [&] { Sign(vendor.sec); }, accepted, &vendor},
        {"two trusted keys share an id", Keys::SameIdAs(vendor).Line() + vendor.Line(), [&] { Sign(vendor.sec); },
         accepted, &vendor},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        progress.events.clear();
        platform::RemoveTree(diskFolder);
        ASSERT_TRUE(platform::MakeDirectory(diskFolder));
        MakePack({});
        platform::RemoveFile(SignaturePathOf(selection.packPath));
        ASSERT_TRUE(WriteBytes(programFolder + L"\\" + kTrustFileName, c.trustFile));
        c.sign();
        const RunOutcome outcome = Run();
        EXPECT_EQ(progress.events, c.events);
        EXPECT_EQ(platform::PathExists(diskFolder + L"\\AppUpgradePack.zip"), c.signer != nullptr);
        EXPECT_EQ(platform::PathExists(diskFolder + L"\\AppUpgradeFlag.cfg"), c.signer != nullptr);
        EXPECT_EQ(outcome.signerKeyId, c.signer ? c.signer->Id() : "");
        EXPECT_EQ(line.find("\"signer\":\"" + outcome.signerKeyId + "\"") != std::string::npos, c.signer != nullptr)
            << line;
        // The verified trusted comment names the vendor's release the terminal got.
        EXPECT_EQ(line.find("\"trusted_comment\":\"release 7\"") != std::string::npos, c.signer != nullptr) << line;
        ExpectCleanProgramFolder();
    }
}

TEST_F(SignedPackRunTest, EthernetRefusalUploadsNothing) {
    ChooseEthernetModel(L"M3710", 0);
    MakePack(PackRecipe::For(L"M3710", 0));
    ASSERT_TRUE(WriteBytes(programFolder + L"\\" + kTrustFileName, vendor.Line()));
    Run();
    EXPECT_EQ(progress.events, (Events{L"0|正准备升级...", L"0.1|成功连接终端.", L"0.15|升级失败，升级包没有签名.", L"close"}));
    EXPECT_TRUE(ftp.files.empty());
    EXPECT_EQ(ftp.calls.back(), L"disconnect");
}

}  // namespace
