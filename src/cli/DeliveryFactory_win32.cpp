#include "app/ConnectionAdapters.h"
#include "app/ShellFileSystem.h"
#include "cli/ChunkedCopyFileSystem.h"
#include "cli/DeliveryFactory.h"

namespace {

// The adapters refer to their clients; each delivery owns both.
class OwnedFtpSession : public IFtpSession {
public:
    explicit OwnedFtpSession(ByteProgress bytes) { m_client.SetTransferProgress(std::move(bytes)); }
    bool Connect(const std::wstring& host, int port, const std::wstring& user,
                 const std::wstring& password) override {
        return m_session.Connect(host, port, user, password);
    }
    bool ChangeDirectory(const std::wstring& dir) override { return m_session.ChangeDirectory(dir); }
    bool PutFile(const std::wstring& localPath, const std::wstring& remotePath, bool transfer) override {
        return m_session.PutFile(localPath, remotePath, transfer);
    }
    bool RemoteFileSize(const std::wstring& remotePath, uint64_t* size) override {
        return m_session.RemoteFileSize(remotePath, size);
    }
    bool DeleteRemoteFile(const std::wstring& remotePath) override { return m_session.DeleteRemoteFile(remotePath); }
    bool Disconnect() override { return m_session.Disconnect(); }

private:
    CFtpClient m_client;
    FtpClientSession m_session{m_client};
};

class OwnedStartCommand : public IStartCommand {
public:
    bool Connect(const std::wstring& address) override { return m_command.Connect(address); }
    bool SendStartCommand() override { return m_command.SendStartCommand(); }
    void Close() override { m_command.Close(); }

private:
    CStartClient m_client;
    StartClientCommand m_command{m_client};
};

// The copy on the terminal's disk is read back past the system's cache, as
// the window reads it.
class DiskReadBackFileSystem : public ChunkedCopyFileSystem {
public:
    using ChunkedCopyFileSystem::ChunkedCopyFileSystem;
    bool ReadBackMD5(const std::wstring& path, std::string* hex) override { return UnbufferedFileMD5(path, hex); }
};

class WindowsDeliveryFactory : public IDeliveryFactory {
public:
    DeliveryConnections Make(ByteProgress bytes) override {
        DeliveryConnections c;
        c.ftp = std::make_unique<OwnedFtpSession>(bytes);
        c.start = std::make_unique<OwnedStartCommand>();
        c.files = std::make_unique<DiskReadBackFileSystem>(bytes);
        return c;
    }
};

}  // namespace

std::unique_ptr<IDeliveryFactory> MakePlatformDeliveryFactory() { return std::make_unique<WindowsDeliveryFactory>(); }
