#pragma once
// The FTP session (IFtpSession's contract) over WinInet. Connect logs in
// on a short-lived thread of its own, waited for at most kConnectLimitMs.
#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "device/Connections.h"
#include "device/InternetHandle.h"

class FtpConnectAttempt;

class CFtpClient : public IFtpSession {
public:
    static constexpr DWORD kConnectLimitMs = 5000;
    static constexpr DWORD kUploadChunkBytes = 64 * 1024;

    // Called during an upload with the bytes sent so far and the file's
    // size (on the calling thread, from inside PutFile).
    using TransferProgress = std::function<void(uint64_t sent, uint64_t total)>;

    CFtpClient();
    ~CFtpClient() override;
    CFtpClient(const CFtpClient&) = delete;
    CFtpClient& operator=(const CFtpClient&) = delete;

    // A fresh internet handle (agent "myv1.0", direct) for every Connect.
    bool Connect(const std::wstring& host, int port, const std::wstring& user,
                 const std::wstring& password) override;
    bool ChangeDirectory(const std::wstring& dir) override;
    // The file goes in kUploadChunkBytes writes of the client's own reads,
    // each reported to the progress callback when there is one.
    bool PutFile(const std::wstring& localPath, const std::wstring& remotePath, bool transfer) override;
    SizeAnswer QueryRemoteFileSize(const std::wstring& remotePath, uint64_t* size) override;
    bool DeleteRemoteFile(const std::wstring& remotePath) override;
    // Also drops a late connection of a timed-out Connect; the internet
    // handle stays open.
    bool Disconnect() override;

    BOOL IsConnected() const { return m_connection ? TRUE : FALSE; }
    void SetTransferProgress(TransferProgress progress) { m_progress = std::move(progress); }

private:
    void ReleaseInternet();
    bool PutFileInChunks(const std::wstring& localPath, const std::wstring& remotePath);

    InternetHandle m_internet;
    InternetHandle m_connection;  // held exactly while connected
    int m_nPort = 0;
    std::wstring m_strHost;
    std::wstring m_strUser;
    std::wstring m_strPassword;
    // A Connect that timed out and whose thread may still be running.
    std::shared_ptr<FtpConnectAttempt> m_pendingAttempt;
    TransferProgress m_progress;
};
