#pragma once
// The FTP client and the start client as the upgrade run's connections.
#include "app/RunServices.h"
#include "app/StartClient.h"
#include "device/FtpClient.h"

class FtpClientSession : public IFtpSession {
public:
    explicit FtpClientSession(CFtpClient& client) : m_client(client) {}
    bool Connect(const std::wstring& host, int port, const std::wstring& user,
                 const std::wstring& password) override {
        return m_client.Connect(host, port, user, password) != FALSE;
    }
    bool ChangeDirectory(const std::wstring& dir) override { return m_client.SetCurrentDirectory(dir) != FALSE; }
    bool PutFile(const std::wstring& localPath, const std::wstring& remotePath, bool transfer) override {
        return m_client.PutFile(localPath, remotePath, transfer ? TRUE : FALSE) != FALSE;
    }
    bool RemoteFileSize(const std::wstring& remotePath, uint64_t* size) override {
        ULONGLONG bytes = 0;
        if (!m_client.GetRemoteFileSize(remotePath, &bytes)) return false;
        *size = bytes;
        return true;
    }
    bool DeleteRemoteFile(const std::wstring& remotePath) override {
        return m_client.DeleteRemoteFile(remotePath) != FALSE;
    }
    bool Disconnect() override { return m_client.Disconnect() != FALSE; }

private:
    CFtpClient& m_client;
};

class StartClientCommand : public IStartCommand {
public:
    explicit StartClientCommand(CStartClient& client) : m_client(client) {}
    bool Connect(const std::wstring& address) override { return m_client.Connect(address); }
    bool SendStartCommand() override { return m_client.SendStartCommand(); }
    void Close() override { m_client.Close(); }

private:
    CStartClient& m_client;
};
