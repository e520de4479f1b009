#pragma once
// The result banner's headlines. The run ends on them and the command line
// and the upgrade log repeat the success one, so they are written once,
// here, in a header without window code.
namespace banner {
inline constexpr wchar_t kSuccess[] = L"请重启设备完成升级！";
inline constexpr wchar_t kFailure[] = L"升级失败！";
}  // namespace banner
