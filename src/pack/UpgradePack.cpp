#include "pack/UpgradePack.h"

#include <cstdio>
#include <cstring>

#include "platform/Alert.h"
#include "platform/File.h"

namespace {
const wchar_t kCaption[] = L"错误";
}

CUpgradePack::CUpgradePack(const std::wstring& packFolder) : m_packFolder(packFolder) {
    m_verifyPath = m_packFolder;
    if (m_verifyPath.empty() || m_verifyPath.back() != L'\\') m_verifyPath += L'\\';
    m_verifyPath += kVerifyFileName;
    std::memset(m_info.bytes, 0, sizeof m_info.bytes);
}

bool CUpgradePack::ReadVerifyFile() {
    FILE* f = platform::OpenFile(m_verifyPath, "rb");
    if (!f) {
        platform::ShowAlert(L"打开升级包验证文件失败!", kCaption);
        return false;
    }
    size_t got = std::fread(m_info.bytes, 1, PackVerifyInfo::kSize, f);
    std::fclose(f);
    if (got < PackVerifyInfo::kSize) {
        // A partial record is no record: all zero, it matches no selection.
        std::memset(m_info.bytes, 0, sizeof m_info.bytes);
        platform::ShowAlert(L"读取升级包验证文件异常!", kCaption);
        return false;
    }
    return true;
}

const PackVerifyInfo& CUpgradePack::GetVerifyInfo() {
    uint32_t attributes = 0;
    if (platform::GetAttributes(m_verifyPath, &attributes) && !ReadVerifyFile())
        platform::ShowAlert(L"该设备未写入设备信息!", kCaption);
    return m_info;
}
