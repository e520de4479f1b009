#include "app/RunTexts.h"

const wchar_t* FlagFileName(int packKind) {
    switch (packKind) {
        case 1: return L"\\SystemUpgradeFlag.cfg";
        case 2: return L"\\ToolUpgradeFlag.cfg";
        default: return L"\\AppUpgradeFlag.cfg";
    }
}

const wchar_t* RemotePackName(int packKind) {
    switch (packKind) {
        case 1: return L"\\SystemUpgradePack.zip";
        case 2: return L"\\ToolUpgradePack.zip";
        default: return L"\\AppUpgradePack.zip";
    }
}
