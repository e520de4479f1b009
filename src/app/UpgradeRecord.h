#pragma once
// What one upgrade run leaves in the upgrade log: who ran what against
// which terminal, every step the operator saw, and how it ended. Portable;
// FormatUpgradeRecord gives the record's line of the log (JSON Lines).
#include <cstdint>
#include <string>
#include <vector>

#include "app/DeviceModel.h"
#include "app/UpgradeResult.h"

// One report of the run: the progress bar's fraction and the line under it.
struct UpgradeStep {
    double fraction = 0.0;
    std::wstring text;
};

// "usb" or "ethernet".
const char* ConnectionName(ConnectionMode mode);

struct UpgradeRecord {
    std::string utcTime;           // when the run started: "2026-12-08T18:20:31Z" (platform::UtcTimeText)
    std::wstring toolVersion;      // "V1.0.0.0"
    std::wstring pcName;           // platform::MachineName()
    std::wstring modelName;        // the model the operator chose: "M3710"
    std::wstring variantName;      // the variant that stayed after the model match ("M3710S5"), or empty
    ConnectionMode connection = kConnectionUsb;
    std::wstring target;           // the disk's path ("E:\") or the terminal's address
    std::wstring diskId;           // USB: the disk's identity ("usb 04CC:1213 5A6B7C"), empty when it has none
    std::wstring packName;         // the pack's file name: "AppUpgradePack.zip"
    uint64_t packSize = 0;         // bytes
    std::string packMd5;           // 32 hex digits, or empty when unknown
    std::string signer;            // key id of the trusted key that signed the pack; empty: none checked
    std::string signerComment;     // the signature's trusted comment (the vendor's release), once verified
    std::vector<UpgradeStep> steps;
    UpgradeResult result = UpgradeResult::Failure;
    std::string resultName;        // written instead of `result` when not empty: a target that never ran ("not started")
    std::wstring finalText;        // what the operator was told last (RecordingProgressSink)
    double seconds = 0.0;          // how long the run took
};

// The record as one line of JSON, UTF-8, ending in "\n" (the only line
// break in it), with the keys always in this order:
//   {"time":"2026-12-08T18:20:31Z","version":"V1.0.0.0","pc":"WORKSHOP-7",
//    "model":"M3710","variant":"","connection":"ethernet",
//    "target":"192.168.1.20",("disk_id":"usb 04CC:1213 5A6B7C", USB only),
//    "pack_name":"AppUpgradePack.zip",
//    "pack_size":1048576,"pack_md5":"0123...","steps":[{"fraction":0,
//    "text":"正准备升级..."},...],"result":"success",
//    "final_text":"请重启设备完成升级！","seconds":12.345}
// Texts are escaped as JSON requires (quotes, backslashes, control
// characters; U+2028 and U+2029 too); characters that are no valid Unicode
// (lone UTF-16 surrogates, UTF-32 values that are surrogates or above
// U+10FFFF, invalid UTF-8 in the narrow fields) become U+FFFD. Numbers
// that JSON cannot write (NaN, infinities) become null; seconds have
// millisecond precision. "signer" (the signing key's id) follows
// "pack_md5" only when the pack's signature was checked and accepted, and
// "trusted_comment" (its trusted comment, verified with it) after that.
std::string FormatUpgradeRecord(const UpgradeRecord& record);
