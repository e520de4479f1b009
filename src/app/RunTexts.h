#pragma once
// The texts and file names of the upgrade run, exactly as operators and
// terminals know them.

#include "progress/BannerText.h"

namespace runtext {

inline constexpr wchar_t kPreparing[] = L"正准备升级...";
inline constexpr wchar_t kNoTerminalDisk[] = L"没有适配终端设备,请重新选择.";
inline constexpr wchar_t kDiskPathMissing[] = L"终端设备U盘路径不存在请重新选择.";
inline constexpr wchar_t kDiskNotWritable[] = L"U盘不可写入，升级失败！";
inline constexpr wchar_t kUsbPackCopyFailed[] = L"拷贝升级包失败！";
inline constexpr wchar_t kFlagCopyFailed[] = L"拷贝标志文件失败！";
inline constexpr wchar_t kConnectFailed[] = L"终端连接失败.";
inline constexpr wchar_t kConnected[] = L"成功连接终端.";
inline constexpr wchar_t kUploadFailed[] = L"拷贝升级包失败.";
inline constexpr wchar_t kStarting[] = L"正在启动升级";
inline constexpr wchar_t kStartFailed[] = L"启动升级失败";
inline constexpr wchar_t kPackDamaged[] = L"升级失败，升级包被损坏.";
inline constexpr wchar_t kNoDiskSpace[] = L"设备磁盘空间不够，请清理后再升级.";
inline constexpr wchar_t kExtractFailed[] = L"解压升级包失败，请检查升级包和电脑磁盘空间！";
inline constexpr wchar_t kVerifying[] = L"正在校验升级包...";
inline constexpr wchar_t kVerifyFailed[] = L"升级包校验失败，请重新升级！";
inline constexpr wchar_t kVerifySkipped[] = L"终端未返回文件大小，未能校验升级包.";
inline constexpr wchar_t kOldFlagNotRemoved[] = L"无法删除终端上的旧标志文件，未拷贝升级包！";
inline constexpr wchar_t kNoProgressWindow[] = L"无法打开进度窗口，未开始升级！";
// A run cut short by a fault of the program itself (out of memory, no thread).
inline constexpr wchar_t kRunAborted[] = L"升级程序出错，升级未完成！";
// Signed packs, once the site trusts at least one key.
inline constexpr wchar_t kPackUnsigned[] = L"升级失败，升级包没有签名.";
inline constexpr wchar_t kSignerNotTrusted[] = L"升级失败，升级包的签名密钥不受信任.";
inline constexpr wchar_t kSignatureMismatch[] = L"升级失败，升级包与签名不符.";
inline constexpr wchar_t kTrustFileBroken[] = L"升级失败，受信任密钥文件有误.";
inline constexpr const wchar_t* kSucceeded = banner::kSuccess;

inline constexpr wchar_t kExtractionFolder[] = L"\\temp";
// The private copy of the pack a run checks and delivers.
inline constexpr wchar_t kPackCopyFile[] = L"\\pack.snapshot";
inline constexpr wchar_t kDiskProbeFolder[] = L"testCtgPath";
// The Ethernet flag file holds exactly these two bytes; the USB one is empty.
inline constexpr char kEthernetFlagContent[] = "11";

}  // namespace runtext

// Flag file name and remote pack name by pack kind (leading backslash included).
const wchar_t* FlagFileName(int packKind);
const wchar_t* RemotePackName(int packKind);

