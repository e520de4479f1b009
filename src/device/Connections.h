#pragma once
// The terminal's network connections as the upgrade run uses them: its FTP
// session and its start-command service. The Windows clients (WinInet,
// Winsock) and the Linux ones (libcurl, POSIX sockets) implement these;
// tests plug in their own.
#include <cstdint>
#include <string>

// The contract both FTP sessions (WinInet's CFtpClient, libcurl's
// CCurlFtpSession) keep:
//  * Remote paths are the terminal's backslash paths, sent verbatim in the
//    ANSI code page: "STOR \Storage Card\AppUpgradePack.zip", "SIZE ...",
//    "DELE ...", "CWD ...". Transfers are binary over passive data
//    connections.
//  * Anything but Connect and Disconnect on a session that is not
//    connected is false (Unknown) without network traffic.
//  * One thread at a time may use a session.
class IFtpSession {
public:
    virtual ~IFtpSession() = default;
    // Closes a connection still open, then connects and logs in; true only
    // when the login was accepted within 5 s (a refused login, nothing
    // listening, or a server that never answers all fail).
    virtual bool Connect(const std::wstring& host, int port, const std::wstring& user,
                         const std::wstring& password) = 0;
    // The remote current directory; true without a command for "". Not
    // named after the client's SetCurrentDirectory: <windows.h> renames that one.
    virtual bool ChangeDirectory(const std::wstring& dir) = 0;
    // Uploads the local file; true without sending anything when `transfer`
    // is false. True only when the server confirmed the whole transfer.
    virtual bool PutFile(const std::wstring& localPath, const std::wstring& remotePath, bool transfer) = 0;
    // What the server says of a remote file's size (SIZE, sent after TYPE I:
    // servers refuse SIZE in ASCII mode with the same 550 as for a missing
    // file). Sized: `*size` is set. Missing: 550, no such file. Unknown:
    // anything else (no such command, another error, no answer, a dropped
    // or no connection), which says nothing about the file.
    enum class SizeAnswer { Sized, Missing, Unknown };
    virtual SizeAnswer QueryRemoteFileSize(const std::wstring& remotePath, uint64_t* size) = 0;
    // True only when the server reported a size.
    bool RemoteFileSize(const std::wstring& remotePath, uint64_t* size) {
        return QueryRemoteFileSize(remotePath, size) == SizeAnswer::Sized;
    }
    // Deletes a remote file (DELE); true when the server accepted it.
    virtual bool DeleteRemoteFile(const std::wstring& remotePath) = 0;
    // Closes the connection; always true.
    virtual bool Disconnect() = 0;
};

// The command some terminals (VK1200) start their upgrade on, sent to
// their TCP port 3002: nothing is read back.
namespace startcommand {
inline constexpr char kBytes[9] = {4, 0, 0, 0, 1, 0, 0, 0, 0};
inline constexpr uint16_t kPort = 3002;
// Instead of the system's ~21 s: a terminal that does not take the
// connection within this time is reported as failed.
inline constexpr unsigned kConnectTimeoutMs = 5000;
}  // namespace startcommand

class IStartCommand {
public:
    virtual ~IStartCommand() = default;
    virtual bool Connect(const std::wstring& address) = 0;
    virtual bool SendStartCommand() = 0;
    virtual void Close() = 0;
};
