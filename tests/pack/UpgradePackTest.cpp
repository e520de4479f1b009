// The verify record reader: its layout, its three boxes and the record it
// hands back in every case.
#include <gtest/gtest.h>

#include "PackTestSupport.h"
#include "pack/UpgradePack.h"
#include "platform/Alert.h"

namespace {

class AlertRecorder {
public:
    AlertRecorder()
        : m_previous(platform::SetAlertHook([this](const std::wstring& text, const std::wstring& caption) {
              boxes.push_back(text);
              captions.push_back(caption);
          })) {}
    ~AlertRecorder() { platform::SetAlertHook(m_previous); }
    std::vector<std::wstring> boxes, captions;

private:
    platform::AlertHook m_previous;
};

std::string VerifyBytes(size_t size) {
    std::string b(size, '\0');
    const char name[] = "M\0" "2\0" "4\0" "1\0" "0\0";
    for (size_t i = 0; i < sizeof name - 1 && i < size; ++i) b[i] = name[i];
    if (size > 1536) b[1536] = 1;
    for (size_t i = 1544; i < size; ++i) b[i] = 'x';
    return b;
}

TEST(UpgradePack, ReadsTheRecordOfFullAndLongerFiles) {
    for (size_t size : {size_t(1544), size_t(2000)}) {
        TestFolder dir;
        ASSERT_TRUE(WriteBytes(dir / L"UpgradePack.verify", VerifyBytes(size)));
        AlertRecorder alerts;
        CUpgradePack pack(dir.Path());
        const PackVerifyInfo& info = pack.GetVerifyInfo();
        EXPECT_EQ(info.ModelName(), L"M2410");
        EXPECT_EQ(info.PackKind(), 1);
        EXPECT_TRUE(alerts.boxes.empty());
    }
}

TEST(UpgradePack, ShortFilesShowTwoBoxesAndReadAsNoRecord) {
    for (size_t size : {size_t(0), size_t(1), size_t(1543)}) {
        TestFolder dir;
        ASSERT_TRUE(WriteBytes(dir / L"UpgradePack.verify", VerifyBytes(size)));
        AlertRecorder alerts;
        CUpgradePack pack(dir.Path());
        const PackVerifyInfo& info = pack.GetVerifyInfo();
        ASSERT_EQ(alerts.boxes.size(), 2u) << size;
        EXPECT_EQ(alerts.boxes[0], L"读取升级包验证文件异常!");
        EXPECT_EQ(alerts.boxes[1], L"该设备未写入设备信息!");
        EXPECT_EQ(alerts.captions[0], L"错误");
        EXPECT_EQ(alerts.captions[1], L"错误");
        EXPECT_EQ(info.ModelName(), L"") << size;
        EXPECT_EQ(info.PackKind(), 0) << size;
    }
}

TEST(UpgradePack, AbsentFileIsSilentAndUnopenableFileSaysSo) {
    TestFolder dir;
    AlertRecorder alerts;
    CUpgradePack absent(dir.Path());
    EXPECT_EQ(absent.GetVerifyInfo().ModelName(), L"");
    EXPECT_EQ(absent.GetVerifyInfo().PackKind(), 0);
    EXPECT_TRUE(alerts.boxes.empty());

    // A folder in the verify file's place: present, but no file to read.
    ASSERT_TRUE(platform::MakeDirectory(dir / L"UpgradePack.verify"));
    CUpgradePack folder(dir.Path());
    EXPECT_EQ(folder.GetVerifyInfo().ModelName(), L"");
    ASSERT_EQ(alerts.boxes.size(), 2u);
#ifdef _WIN32
    EXPECT_EQ(alerts.boxes[0], L"打开升级包验证文件失败!");
#else
    EXPECT_EQ(alerts.boxes[0], L"读取升级包验证文件异常!");  // a folder opens for reading here, and reads nothing
#endif
    EXPECT_EQ(alerts.boxes[1], L"该设备未写入设备信息!");
}

TEST(UpgradePack, PathWithOrWithoutTrailingBackslashAndBoundedName) {
    EXPECT_EQ(CUpgradePack(L"C:\\x\\temp").VerifyFilePath(), L"C:\\x\\temp\\UpgradePack.verify");
    EXPECT_EQ(CUpgradePack(L"C:\\x\\temp\\").VerifyFilePath(), L"C:\\x\\temp\\UpgradePack.verify");

    // A record without NUL in its name area gives 768 units, not a run into the kind.
    TestFolder dir;
    std::string b(1544, '\0');
    for (size_t i = 0; i < 1536; i += 2) b[i] = 'A';
    b[1536] = 2;
    ASSERT_TRUE(WriteBytes(dir / L"UpgradePack.verify", b));
    CUpgradePack pack(dir.Path());
    EXPECT_EQ(pack.GetVerifyInfo().ModelName(), std::wstring(768, L'A'));
    EXPECT_EQ(pack.GetVerifyInfo().PackKind(), 2);

    PackVerifyInfo made;
    EXPECT_TRUE(made.Set(L"M3710S5", 2));
    EXPECT_EQ(made.ModelName(), L"M3710S5");
    EXPECT_EQ(made.PackKind(), 2);
    EXPECT_FALSE(made.Set(std::wstring(768, L'x'), 0));
}

}  // namespace
