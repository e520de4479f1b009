#include "device/FtpConnectAttempt.h"

FtpConnectAttempt::FtpConnectAttempt(HINTERNET internet, const std::wstring& host, int port,
                                     const std::wstring& user, const std::wstring& password)
    : m_internet(internet), m_host(host), m_user(user), m_password(password), m_port(port) {}

FtpConnectAttempt::~FtpConnectAttempt() {
    if (m_thread) CloseHandle(m_thread);
}

std::shared_ptr<FtpConnectAttempt> FtpConnectAttempt::Start(HINTERNET internet, const std::wstring& host, int port,
                                                            const std::wstring& user, const std::wstring& password) {
    std::shared_ptr<FtpConnectAttempt> attempt(new FtpConnectAttempt(internet, host, port, user, password));
    // The thread keeps the attempt alive on its own, however long it runs.
    auto* threadShare = new std::shared_ptr<FtpConnectAttempt>(attempt);
    attempt->m_thread = CreateThread(nullptr, 0, &FtpConnectAttempt::ThreadMain, threadShare, 0, nullptr);
    if (!attempt->m_thread) {
        delete threadShare;
        return nullptr;
    }
    return attempt;
}

DWORD WINAPI FtpConnectAttempt::ThreadMain(void* param) {
    std::shared_ptr<FtpConnectAttempt> self = *static_cast<std::shared_ptr<FtpConnectAttempt>*>(param);
    delete static_cast<std::shared_ptr<FtpConnectAttempt>*>(param);
    try {
        return self->Run() ? 0 : 1;
    } catch (...) {
        return 1;  // no connection handed over: the client reports a failed connect
    }
}

bool FtpConnectAttempt::Run() {
    // For FTP this opens the control connection and logs in; it returns
    // when the server has accepted or refused, or WinInet gives up.
    InternetHandle connection(InternetConnectW(m_internet, m_host.c_str(), static_cast<INTERNET_PORT>(m_port),
                                               m_user.c_str(), m_password.c_str(), INTERNET_SERVICE_FTP,
                                               INTERNET_FLAG_PASSIVE, 0));
    const bool connected = static_cast<bool>(connection);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_finished = true;
    // A dropped connection closes as `connection` goes out of scope.
    if (!m_dropConnection) m_connection = std::move(connection);
    m_internetToClose.Close();
    return connected;
}

FtpConnectAttempt::Outcome FtpConnectAttempt::Wait(DWORD ms, InternetHandle* connection) {
    if (WaitForSingleObject(m_thread, ms) != WAIT_OBJECT_0) return Outcome::TimedOut;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_connection) return Outcome::Refused;
    *connection = std::move(m_connection);
    return Outcome::Connected;
}

void FtpConnectAttempt::DropConnection() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_dropConnection = true;
    m_connection.Close();
}

void FtpConnectAttempt::DropConnectionAndInternet(InternetHandle internet) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_dropConnection = true;
    m_connection.Close();
    // After the thread's end, `internet` closes as it goes out of scope.
    if (!m_finished) m_internetToClose = std::move(internet);
}
