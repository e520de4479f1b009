#pragma once
// A thin blocking FTP client over WinInet for the terminal's FTP server:
// connect and log in within 5 seconds, change the remote directory, upload
// a file in binary mode over a passive data connection, disconnect. One
// thread at a time may use a client; Connect adds a short-lived thread.
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

    // Opens a fresh internet handle (agent "myv1.0", direct) - closing the
    // previous one - and logs in. True only when the login was accepted
    // within kConnectLimitMs. A connection left open by an earlier Connect
    // is closed first.
    bool Connect(const std::wstring& host, int port, const std::wstring& user,
                 const std::wstring& password) override;

    // The remote current directory (FtpSetCurrentDirectory); false when not
    // connected; true without a server command for "".
    bool ChangeDirectory(const std::wstring& dir) override;

    // False when not connected; true without sending anything when
    // `transfer` is false; otherwise whether the binary upload succeeded.
    // Without a progress callback the upload is one FtpPutFileW; with one,
    // the file goes in kUploadChunkBytes writes, each reported.
    bool PutFile(const std::wstring& localPath, const std::wstring& remotePath, bool transfer) override;

    // TYPE I, then SIZE: Sized with the byte count, Missing for a 550,
    // Unknown when not connected, when TYPE I fails or for any other reply.
    SizeAnswer QueryRemoteFileSize(const std::wstring& remotePath, uint64_t* size) override;
    // DELE; false when not connected or refused.
    bool DeleteRemoteFile(const std::wstring& remotePath) override;

    // Closes the connection (and a late one from a timed-out Connect); the
    // internet handle stays open. Always true.
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
