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

class FtpConnectAttempt;

class CFtpClient {
public:
    static constexpr DWORD kConnectLimitMs = 5000;
    static constexpr DWORD kUploadChunkBytes = 64 * 1024;

    // Called during an upload with the bytes sent so far and the file's
    // size (on the calling thread, from inside PutFile).
    using TransferProgress = std::function<void(uint64_t sent, uint64_t total)>;

    CFtpClient();
    virtual ~CFtpClient();
    CFtpClient(const CFtpClient&) = delete;
    CFtpClient& operator=(const CFtpClient&) = delete;

    // Opens a fresh internet handle (agent "myv1.0", direct) - closing the
    // previous one - and logs in. TRUE only when the login was accepted
    // within kConnectLimitMs. A connection left open by an earlier Connect
    // is closed first.
    BOOL Connect(const std::wstring& host, int port, const std::wstring& user, const std::wstring& password);

    // FALSE when not connected; TRUE without a server command for "".
    BOOL SetCurrentDirectory(const std::wstring& dir);

    // FALSE when not connected; TRUE without sending anything when
    // `transfer` is FALSE; otherwise whether the binary upload succeeded.
    // Without a progress callback the upload is one FtpPutFileW; with one,
    // the file goes in kUploadChunkBytes writes, each reported.
    BOOL PutFile(const std::wstring& localPath, const std::wstring& remotePath, BOOL transfer);

    // The server's SIZE answer for a remote file; FALSE when not connected
    // or the server gives no size.
    BOOL GetRemoteFileSize(const std::wstring& remotePath, ULONGLONG* size);
    // DELE; FALSE when not connected or refused.
    BOOL DeleteRemoteFile(const std::wstring& remotePath);

    // Closes the connection (and a late one from a timed-out Connect); the
    // internet handle stays open. Always TRUE.
    BOOL Disconnect();

    BOOL IsConnected() const { return m_bConnected; }
    void SetTransferProgress(TransferProgress progress) { m_progress = std::move(progress); }

private:
    void ReleaseInternet();
    BOOL PutFileInChunks(const std::wstring& localPath, const std::wstring& remotePath);

    HINTERNET m_hInternet = nullptr;
    HINTERNET m_hConnect = nullptr;
    BOOL m_bConnected = FALSE;
    int m_nPort = 0;
    std::wstring m_strHost;
    std::wstring m_strUser;
    std::wstring m_strPassword;
    // A Connect that timed out and whose thread may still be running.
    std::shared_ptr<FtpConnectAttempt> m_pendingAttempt;
    TransferProgress m_progress;
};
