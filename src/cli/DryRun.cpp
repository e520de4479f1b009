#include "cli/DryRun.h"

#include <chrono>

#include "app/RunTexts.h"

const wchar_t kWouldDeliverText[] = L"would deliver";

bool ProbeTarget(const RunRequest& request, DeliveryServices& connections, StatusTable& table, size_t index) {
    const auto start = std::chrono::steady_clock::now();
    table.AddStep(index, 0.0, runtext::kPreparing);
    bool reached = false;
    const wchar_t* failure = runtext::kConnectFailed;
    if (request.connection == kConnectionEthernet) {
        reached = connections.ftp->Connect(request.terminalAddress, request.ftpPort, request.ftpUser,
                                           request.ftpPassword);
        connections.ftp->Disconnect();
        if (reached) table.AddStep(index, 0.1, runtext::kConnected);
    } else {
        // Only whether the disk is there: the run's writability probe writes.
        reached = connections.files->PathExists(request.diskPath);
        failure = runtext::kDiskPathMissing;
    }
    if (!reached) table.AddStep(index, 0.1, failure);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    table.Finish(index, reached ? UpgradeResult::Success : UpgradeResult::Refused, reached ? kWouldDeliverText : failure,
                 seconds);
    return reached;
}
