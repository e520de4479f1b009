#pragma once
// The FTP session (IFtpSession's contract) of the native build, over
// libcurl. Beyond the contract:
//  * passive mode is PASV rather than EPSV, as WinInet sends it; the
//    control connection stays open (libcurl's connection cache of the
//    session's handle) until Disconnect or the next Connect;
//  * a remote path holding CR or LF is refused without traffic;
//  * an upload that stalls (under kStallBytesPerSecond for kStallSeconds)
//    ends as failed.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/Connections.h"

class CCurlFtpSession : public IFtpSession {
public:
    static constexpr long kConnectLimitMs = 5000;
    static constexpr long kStallBytesPerSecond = 1;
    static constexpr long kStallSeconds = 30;
    // SIZE, DELE and CWD: the whole exchange, reconnecting included.
    static constexpr long kCommandLimitMs = 30000;

    // Called during an upload with the bytes sent so far and the file's size
    // (on the calling thread, from inside PutFile).
    using TransferProgress = std::function<void(uint64_t sent, uint64_t total)>;

    CCurlFtpSession();
    ~CCurlFtpSession() override;
    CCurlFtpSession(const CCurlFtpSession&) = delete;
    CCurlFtpSession& operator=(const CCurlFtpSession&) = delete;

    bool Connect(const std::wstring& host, int port, const std::wstring& user,
                 const std::wstring& password) override;
    bool ChangeDirectory(const std::wstring& dir) override;
    bool PutFile(const std::wstring& localPath, const std::wstring& remotePath, bool transfer) override;
    SizeAnswer QueryRemoteFileSize(const std::wstring& remotePath, uint64_t* size) override;
    bool DeleteRemoteFile(const std::wstring& remotePath) override;
    bool Disconnect() override;  // always true

    bool IsConnected() const { return m_connected; }
    void SetTransferProgress(TransferProgress progress) { m_progress = std::move(progress); }
    // Holds every upload to this many bytes per second (libcurl's send-speed
    // limit); 0, the default, for none.
    void SetMaxSendRate(uint64_t bytesPerSecond) { m_maxSendRate = bytesPerSecond; }
    // libcurl's text for the last failure ("" after a success).
    const std::string& LastError() const { return m_lastError; }

private:
    struct Handle;
    // Sends `command` on the session's connection (QUOTE), after `before`;
    // true when its reply code is `expectedCode` (the reply line in *reply).
    bool RunCommand(const std::vector<std::string>& before, const std::string& command, const char* expectedCode,
                    std::string* reply);
    void ResetOptions();

    std::unique_ptr<Handle> m_handle;  // null when not connected
    bool m_connected = false;
    std::string m_baseUrl;             // ftp://host:port/
    std::string m_user, m_password;    // UTF-8
    std::string m_currentDirectory;    // the ANSI path of the last CWD, "" for the login folder
    TransferProgress m_progress;
    uint64_t m_maxSendRate = 0;
    std::string m_lastError;
};
