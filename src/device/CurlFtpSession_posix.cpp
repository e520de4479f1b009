#include "device/CurlFtpSession_posix.h"

#include <curl/curl.h>

#include <cstdio>
#include <mutex>

#include "device/FtpReplies.h"
#include "platform/File.h"
#include "platform/Text.h"

namespace {

// curl_global_init is not thread-safe itself; the first session of the
// process runs it, once. It is never undone (the process's end cleans up).
bool CurlReady() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return ready;
}

// Every byte that is not unreserved becomes %XX, so backslashes, blanks and
// ANSI bytes reach the server as they are (curl decodes the path again).
std::string PercentEncode(const std::string& bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

// The remote path as the terminal expects it: the ANSI code page, as WinInet
// sends it. False for a path that would break the command line.
bool RemoteBytes(const std::wstring& path, std::string* bytes) {
    *bytes = platform::WideToAnsi(path);
    return bytes->find_first_of("\r\n", 0, 2) == std::string::npos && bytes->find('\0') == std::string::npos;
}

size_t CollectReplyLines(char* data, size_t size, size_t count, void* user) {
    auto* lines = static_cast<std::vector<std::string>*>(user);
    size_t n = size * count;
    if (lines) lines->emplace_back(data, n);
    return n;
}

size_t DiscardBody(char*, size_t size, size_t count, void*) { return size * count; }

size_t ReadLocalFile(char* buffer, size_t size, size_t count, void* user) {
    FILE* f = static_cast<FILE*>(user);
    size_t n = std::fread(buffer, 1, size * count, f);
    if (n == 0 && std::ferror(f)) return CURL_READFUNC_ABORT;
    return n;
}

struct UploadProgress {
    const CCurlFtpSession::TransferProgress* hook;
    uint64_t total;
    uint64_t reported;
    bool any;
};

int ReportUpload(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t ulnow) {
    auto* p = static_cast<UploadProgress*>(user);
    uint64_t sent = ulnow < 0 ? 0 : static_cast<uint64_t>(ulnow);
    // The whole file counts as sent only once the server has confirmed the
    // transfer (reported after the transfer), so the rate shown is that of
    // bytes the terminal took, not of bytes handed to the socket.
    if (p->total > 0 && sent >= p->total) sent = p->total - 1;
    if (!p->any || sent != p->reported) {
        p->any = true;
        p->reported = sent;
        (*p->hook)(sent, p->total);
    }
    return 0;  // never aborts
}

// "257 "/Storage Card" is current directory." -> /Storage Card ("" doubled
// inside the quotes stands for one).
bool ParsePwdReply(const std::string& line, std::string* dir) {
    if (line.compare(0, 4, "257 ") != 0) return false;
    size_t open = line.find('"');
    if (open == std::string::npos) return false;
    std::string out;
    for (size_t i = open + 1; i < line.size(); ++i) {
        if (line[i] != '"') {
            out += line[i];
        } else if (i + 1 < line.size() && line[i + 1] == '"') {
            out += '"';
            ++i;
        } else {
            *dir = out;
            return true;
        }
    }
    return false;
}

}  // namespace

struct CCurlFtpSession::Handle {
    CURL* curl = nullptr;
    curl_slist* quote = nullptr;
    curl_slist* prequote = nullptr;
    char error[CURL_ERROR_SIZE] = {};

    Handle() : curl(curl_easy_init()) {}
    ~Handle() {
        if (curl) curl_easy_cleanup(curl);  // sends QUIT and closes the connection
        FreeLists();
    }
    void FreeLists() {
        curl_slist_free_all(quote);
        curl_slist_free_all(prequote);
        quote = prequote = nullptr;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
};

CCurlFtpSession::CCurlFtpSession() = default;

CCurlFtpSession::~CCurlFtpSession() { Disconnect(); }

void CCurlFtpSession::ResetOptions() {
    CURL* c = m_handle->curl;
    m_handle->FreeLists();
    // What every request of the session shares; set again after a reset so
    // that one request's options never leak into the next.
    curl_easy_reset(c);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, m_handle->error);
    curl_easy_setopt(c, CURLOPT_USERNAME, m_user.c_str());
    curl_easy_setopt(c, CURLOPT_PASSWORD, m_password.c_str());
    curl_easy_setopt(c, CURLOPT_FTP_USE_EPSV, 0L);  // PASV, as WinInet's passive mode
    curl_easy_setopt(c, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, kConnectLimitMs);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, kStallBytesPerSecond);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &DiscardBody);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &CollectReplyLines);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, nullptr);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "ftp");
    m_handle->error[0] = '\0';
}

bool CCurlFtpSession::Connect(const std::wstring& host, int port, const std::wstring& user,
                              const std::wstring& password) {
    Disconnect();
    m_lastError.clear();
    if (!CurlReady() || port <= 0 || port > 65535) return false;
    auto handle = std::make_unique<Handle>();
    if (!handle->curl) return false;
    m_handle = std::move(handle);
    m_user = platform::WideToUtf8(user);
    m_password = platform::WideToUtf8(password);
    m_baseUrl = "ftp://" + platform::WideToUtf8(host) + ":" + std::to_string(port) + "/";
    m_currentDirectory.clear();

    // The login and nothing more: a folder URL without a body.
    ResetOptions();
    CURL* c = m_handle->curl;
    curl_easy_setopt(c, CURLOPT_URL, m_baseUrl.c_str());
    curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, kConnectLimitMs);
    CURLcode rc = curl_easy_perform(c);
    if (rc != CURLE_OK) {
        m_lastError = m_handle->error[0] ? m_handle->error : curl_easy_strerror(rc);
        m_handle.reset();
        return false;
    }
    m_connected = true;
    return true;
}

bool CCurlFtpSession::RunCommand(const std::vector<std::string>& before, const std::string& command,
                                 const char* expectedCode, std::string* reply) {
    ResetOptions();
    CURL* c = m_handle->curl;
    // The remembered folder first: a reconnect (after a failed transfer)
    // starts in the login folder again. `before` and that CWD must succeed.
    // The command itself is marked "*" (curl goes on when it fails), so a
    // refused SIZE or DELE leaves the connection open, as with WinInet; its
    // answer is the last reply line, since nothing follows it.
    if (!m_currentDirectory.empty())
        m_handle->quote = curl_slist_append(m_handle->quote, ("CWD " + m_currentDirectory).c_str());
    for (const std::string& b : before) m_handle->quote = curl_slist_append(m_handle->quote, b.c_str());
    m_handle->quote = curl_slist_append(m_handle->quote, ("*" + command).c_str());
    std::vector<std::string> lines;
    curl_easy_setopt(c, CURLOPT_URL, m_baseUrl.c_str());
    curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(c, CURLOPT_QUOTE, m_handle->quote);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, kCommandLimitMs);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &lines);
    CURLcode rc = curl_easy_perform(c);
    if (rc != CURLE_OK) {
        m_lastError = m_handle->error[0] ? m_handle->error : curl_easy_strerror(rc);
        return false;
    }
    std::string last = lines.empty() ? std::string() : lines.back();
    while (!last.empty() && (last.back() == '\n' || last.back() == '\r')) last.pop_back();
    if (reply) *reply = last;  // a refusal's reply too: its code can matter
    if (last.compare(0, 3, expectedCode) != 0 || last.size() < 4 || last[3] != ' ') {
        m_lastError = "server: " + last;
        return false;
    }
    m_lastError.clear();
    return true;
}

bool CCurlFtpSession::ChangeDirectory(const std::wstring& dir) {
    if (!m_connected) return false;
    if (dir.empty()) return true;
    std::string path;
    if (!RemoteBytes(dir, &path)) return false;
    // CWD and then PWD in one exchange: the server's absolute name is kept,
    // so entering it again later is the same folder wherever the connection
    // stands. A refused CWD fails the exchange (curl then closes the
    // connection; the next request logs in again).
    std::string pwd, absolute;
    if (!RunCommand({"CWD " + path}, "PWD", "257", &pwd)) return false;
    m_currentDirectory = ParsePwdReply(pwd, &absolute) ? absolute : path;
    return true;
}

bool CCurlFtpSession::PutFile(const std::wstring& localPath, const std::wstring& remotePath, bool transfer) {
    if (!m_connected) return false;
    if (!transfer) return true;
    std::string remote;
    if (!RemoteBytes(remotePath, &remote) || remote.empty()) return false;
    uint64_t total = 0;
    if (!platform::FileSize(localPath, &total)) return false;
    FILE* f = platform::OpenFile(localPath, "rb");
    if (!f) return false;

    ResetOptions();
    CURL* c = m_handle->curl;
    // With the "no CWD" method curl sends the URL's whole path in STOR;
    // on a reused connection it goes back to the login folder first, so the
    // remembered folder is entered again just before the transfer.
    if (!m_currentDirectory.empty()) {
        m_handle->prequote = curl_slist_append(m_handle->prequote, ("CWD " + m_currentDirectory).c_str());
        curl_easy_setopt(c, CURLOPT_PREQUOTE, m_handle->prequote);
    }
    const std::string url = m_baseUrl + PercentEncode(remote);
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_TRANSFERTEXT, 0L);  // TYPE I
    curl_easy_setopt(c, CURLOPT_READFUNCTION, &ReadLocalFile);
    curl_easy_setopt(c, CURLOPT_READDATA, f);
    curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(total));
    curl_easy_setopt(c, CURLOPT_MAX_SEND_SPEED_LARGE, static_cast<curl_off_t>(m_maxSendRate));
    UploadProgress progress{&m_progress, total, 0, false};
    if (m_progress) {
        curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &ReportUpload);
        curl_easy_setopt(c, CURLOPT_XFERINFODATA, &progress);
        curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    }
    CURLcode rc = curl_easy_perform(c);
    std::fclose(f);
    m_lastError = rc == CURLE_OK ? "" : (m_handle->error[0] ? m_handle->error : curl_easy_strerror(rc));
    if (rc == CURLE_OK && m_progress) m_progress(total, total);
    return rc == CURLE_OK;
}

IFtpSession::SizeAnswer CCurlFtpSession::QueryRemoteFileSize(const std::wstring& remotePath, uint64_t* size) {
    if (!m_connected || !size) return SizeAnswer::Unknown;
    std::string remote;
    if (!RemoteBytes(remotePath, &remote)) return SizeAnswer::Unknown;
    // Servers answer SIZE in binary mode only (pyftpdlib refuses it in ASCII
    // mode, the mode of a fresh connection), so TYPE I goes first.
    std::string reply;
    if (!RunCommand({"TYPE I"}, "SIZE " + remote, "213", &reply)) return SizeReplyAnswer(platform::Utf8ToWide(reply));
    unsigned long long bytes = 0;
    if (!ParseSizeReply(platform::Utf8ToWide(reply), &bytes)) return SizeAnswer::Unknown;
    *size = bytes;
    return SizeAnswer::Sized;
}

bool CCurlFtpSession::DeleteRemoteFile(const std::wstring& remotePath) {
    if (!m_connected) return false;
    std::string remote;
    if (!RemoteBytes(remotePath, &remote)) return false;
    return RunCommand({}, "DELE " + remote, "250", nullptr);
}

bool CCurlFtpSession::Disconnect() {
    m_handle.reset();
    m_connected = false;
    m_currentDirectory.clear();
    return true;
}
