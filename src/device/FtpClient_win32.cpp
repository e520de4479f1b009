#include "device/FtpClient.h"

#include "device/FtpConnectAttempt.h"
#include "device/FtpReplies.h"
#include "device/InternetHandle.h"

#include <vector>

namespace {
struct LocalFile {
    HANDLE handle;
    explicit LocalFile(const std::wstring& path)
        : handle(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {}
    ~LocalFile() {
        if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
    }
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;
};

}  // namespace

CFtpClient::CFtpClient() = default;

CFtpClient::~CFtpClient() {
    Disconnect();
    ReleaseInternet();
}

void CFtpClient::ReleaseInternet() {
    if (m_pendingAttempt) {
        // Its thread may still be inside InternetConnectW on this handle;
        // the attempt closes it once the thread is done with it.
        m_pendingAttempt->DropConnectionAndInternet(std::move(m_internet));
        m_pendingAttempt.reset();
    }
    m_internet.Close();
}

bool CFtpClient::Connect(const std::wstring& host, int port, const std::wstring& user, const std::wstring& password) {
    Disconnect();
    ReleaseInternet();
    m_nPort = port;
    m_strUser = user;
    m_strPassword = password;
    m_strHost = host;

    // A null handle makes the connect below fail, so it is not tested here.
    m_internet = InternetHandle(InternetOpenW(L"myv1.0", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    std::shared_ptr<FtpConnectAttempt> attempt =
        FtpConnectAttempt::Start(m_internet.Get(), m_strHost, m_nPort, m_strUser, m_strPassword);
    if (!attempt) return false;

    switch (attempt->Wait(kConnectLimitMs, &m_connection)) {
    case FtpConnectAttempt::Outcome::Connected:
        return true;
    case FtpConnectAttempt::Outcome::TimedOut:
        m_pendingAttempt = attempt;
        return false;
    case FtpConnectAttempt::Outcome::Refused:
        break;
    }
    return false;
}

bool CFtpClient::ChangeDirectory(const std::wstring& dir) {
    if (!IsConnected()) return FALSE;
    if (dir.empty()) return TRUE;
    return FtpSetCurrentDirectoryW(m_connection.Get(), dir.c_str());
}

bool CFtpClient::PutFile(const std::wstring& localPath, const std::wstring& remotePath, bool transfer) {
    if (!IsConnected()) return FALSE;
    if (!transfer) return TRUE;
    // Always our own reads: FtpPutFileW opens the local file without
    // sharing it (Wine's does), which a pack held against change refuses.
    return PutFileInChunks(localPath, remotePath);
}

namespace {
// The server's last reply line, as WinInet keeps it.
std::wstring LastReply() {
    DWORD error = 0;
    wchar_t reply[512] = {};
    DWORD length = sizeof reply / sizeof reply[0];
    if (!InternetGetLastResponseInfoW(&error, reply, &length)) return std::wstring();
    return reply;
}
}  // namespace

bool CFtpClient::PutFileInChunks(const std::wstring& localPath, const std::wstring& remotePath) {
    LocalFile local(localPath);
    LARGE_INTEGER size{};
    if (local.handle == INVALID_HANDLE_VALUE || !::GetFileSizeEx(local.handle, &size)) return FALSE;
    const uint64_t total = static_cast<uint64_t>(size.QuadPart);
    InternetHandle remote(FtpOpenFileW(m_connection.Get(), remotePath.c_str(), GENERIC_WRITE, FTP_TRANSFER_TYPE_BINARY, 0));
    if (!remote) return FALSE;
    std::vector<char> buffer(kUploadChunkBytes);
    uint64_t sent = 0;
    const TransferProgress report = m_progress ? m_progress : [](uint64_t, uint64_t) {};
    report(0, total);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(local.handle, buffer.data(), kUploadChunkBytes, &read, nullptr)) return FALSE;
        if (read == 0) break;
        DWORD offset = 0;
        while (offset < read) {
            DWORD written = 0;
            if (!::InternetWriteFile(remote.Get(), buffer.data() + offset, read - offset, &written) || written == 0)
                return FALSE;
            offset += written;
        }
        sent += read;
        if (sent < total) report(sent, total);
    }
    // The last bytes may still be on their way when the last write returns:
    // the whole file counts as sent only once the server has confirmed the
    // transfer, so the rate shown is that of bytes the terminal took.
    if (sent != total || !remote.Close()) return false;
    // Closing the transfer reads the server's last word on it: a full disk
    // or a refused store answers 4xx or 5xx there.
    const std::wstring reply = LastReply();
    if (!reply.empty() && (reply[0] == L'4' || reply[0] == L'5')) return false;
    report(total, total);
    return true;
}


IFtpSession::SizeAnswer CFtpClient::QueryRemoteFileSize(const std::wstring& remotePath, uint64_t* size) {
    if (!IsConnected() || !size) return SizeAnswer::Unknown;
    // Servers answer SIZE in binary mode only and refuse it otherwise with
    // the 550 of a missing file, so TYPE I goes first. WinInet sends TYPE
    // only with its own transfers; a fresh connection is in ASCII mode.
    if (!FtpCommandW(m_connection.Get(), FALSE, FTP_TRANSFER_TYPE_BINARY, L"TYPE I", 0, nullptr))
        return SizeAnswer::Unknown;
    // "SIZE path" answers "213 <bytes>"; a refusal fails the call with the
    // server's reply kept as the extended error.
    const std::wstring command = L"SIZE " + remotePath;
    if (!FtpCommandW(m_connection.Get(), FALSE, FTP_TRANSFER_TYPE_BINARY, command.c_str(), 0, nullptr))
        return ::GetLastError() == ERROR_INTERNET_EXTENDED_ERROR ? SizeReplyAnswer(LastReply()) : SizeAnswer::Unknown;
    unsigned long long bytes = 0;
    if (!ParseSizeReply(LastReply(), &bytes)) return SizeAnswer::Unknown;
    *size = bytes;
    return SizeAnswer::Sized;
}

bool CFtpClient::DeleteRemoteFile(const std::wstring& remotePath) {
    if (!IsConnected()) return FALSE;
    return FtpDeleteFileW(m_connection.Get(), remotePath.c_str());
}

bool CFtpClient::Disconnect() {
    m_connection.Close();
    if (m_pendingAttempt) m_pendingAttempt->DropConnection();
    return TRUE;
}
