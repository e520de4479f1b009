#pragma once
// Reads the verify record of an extracted pack. Failures are shown to the
// operator as message boxes (caption "错误") and leave a zero-filled
// record, which matches no selection.
#include <string>

#include "pack/PackVerifyInfo.h"

class CUpgradePack {
public:
    explicit CUpgradePack(const std::wstring& packFolder);
    virtual ~CUpgradePack() = default;

    // True only when 1544 bytes were read; shows its own box on failure.
    bool ReadVerifyFile();
    // Reads the record if the verify file exists (one more box when that
    // fails) and returns it in every case.
    const PackVerifyInfo& GetVerifyInfo();

    const std::wstring& VerifyFilePath() const { return m_verifyPath; }

private:
    std::wstring m_packFolder;
    std::wstring m_verifyPath;
    PackVerifyInfo m_info;
};
