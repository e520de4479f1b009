#pragma once
// How a run ended, for the window, the command line and the upgrade log
// alike: the success banner, the failure banner, or a refusal (the window
// closed by itself after the reason).
enum class UpgradeResult { Success, Failure, Refused };

// "success", "failure" or "refused".
const char* UpgradeResultName(UpgradeResult result);
