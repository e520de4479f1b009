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
    return self->Run() ? 0 : 1;
}

bool FtpConnectAttempt::Run() {
    // For FTP this opens the control connection and logs in; it returns
    // when the server has accepted or refused, or WinInet gives up.
    HINTERNET connection = InternetConnectW(m_internet, m_host.c_str(), static_cast<INTERNET_PORT>(m_port),
                                            m_user.c_str(), m_password.c_str(), INTERNET_SERVICE_FTP,
                                            INTERNET_FLAG_PASSIVE, 0);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_finished = true;
    if (m_dropConnection) {
        if (connection) InternetCloseHandle(connection);
    } else {
        m_connection = connection;
    }
    if (m_closeInternet && m_internet) InternetCloseHandle(m_internet);
    return connection != nullptr;
}

FtpConnectAttempt::Outcome FtpConnectAttempt::Wait(DWORD ms, HINTERNET* connection) {
    if (WaitForSingleObject(m_thread, ms) != WAIT_OBJECT_0) return Outcome::TimedOut;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_connection) return Outcome::Refused;
    *connection = m_connection;
    m_connection = nullptr;
    return Outcome::Connected;
}

void FtpConnectAttempt::DropConnection() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_dropConnection = true;
    if (m_connection) InternetCloseHandle(m_connection);
    m_connection = nullptr;
}

void FtpConnectAttempt::DropConnectionAndInternet() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_dropConnection = true;
    if (m_connection) InternetCloseHandle(m_connection);
    m_connection = nullptr;
    if (m_finished) {
        if (m_internet) InternetCloseHandle(m_internet);
    } else {
        m_closeInternet = true;
    }
}
