#pragma once
// The FTP session of the native (Linux) build, over libcurl: the same
// behaviour as the Windows program's WinInet client (CFtpClient), behind
// the run's IFtpSession seam.
//
//  * Connect logs in (passive mode, PASV rather than EPSV, as WinInet) and
//    gives up after kConnectLimitMs: a refused login, nothing listening, or
//    a server that takes the TCP connection and never answers all fail.
//    The control connection stays open (libcurl's connection cache of the
//    session's handle) until Disconnect or the next Connect.
//  * Remote paths are the terminal's backslash paths, sent verbatim in the
//    ANSI code page (platform::WideToAnsi), as WinInet sends them:
//    "STOR \Storage Card\AppUpgradePack.zip", "SIZE ...", "DELE ...",
//    "CWD ...". A path holding CR or LF is refused without traffic.
//  * Uploads are binary (TYPE I); one that stalls (under kStallBytesPerSecond
//    for kStallSeconds) ends as failed.
//  * Anything but Connect/Disconnect on an idle session is false without
//    network traffic; ChangeDirectory("") and PutFile(..., transfer=false)
//    are true without a command when connected.
//
// One thread at a time may use a session.
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
