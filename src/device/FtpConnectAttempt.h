#pragma once
// One FTP connect-and-login (InternetConnectW) on a thread of its own, so
// the caller can stop waiting for it after a time limit. The attempt object
// is shared by the caller and the thread; everything they both touch is
// behind its mutex, so a thread that finishes late never writes into a
// client that has moved on: the client gives the attempt the handles to
// close, and whichever side comes last closes them.
#include <windows.h>
#include <wininet.h>

#include <memory>
#include <mutex>
#include <string>

#include "device/InternetHandle.h"

class FtpConnectAttempt {
public:
    enum class Outcome { Connected, Refused, TimedOut };

    // Starts the thread at once; null when it cannot be started.
    static std::shared_ptr<FtpConnectAttempt> Start(HINTERNET internet, const std::wstring& host, int port,
                                                    const std::wstring& user, const std::wstring& password);
    ~FtpConnectAttempt();

    // Waits up to `ms`. On Connected the connection is handed out and
    // belongs to the caller from then on.
    Outcome Wait(DWORD ms, InternetHandle* connection);

    // The caller no longer wants a connection from this attempt: one that
    // exists is closed now, one that arrives later is closed by the thread.
    void DropConnection();

    // Also takes the internet handle the thread is using: it is closed now
    // if the thread has ended, otherwise by the thread when it ends.
    void DropConnectionAndInternet(InternetHandle internet);

    FtpConnectAttempt(const FtpConnectAttempt&) = delete;
    FtpConnectAttempt& operator=(const FtpConnectAttempt&) = delete;

private:
    FtpConnectAttempt(HINTERNET internet, const std::wstring& host, int port, const std::wstring& user,
                      const std::wstring& password);
    static DWORD WINAPI ThreadMain(void* param);
    bool Run();  // true when the login was accepted

    // Written before the thread starts, read-only afterwards. The internet
    // handle is the client's until it hands it over.
    const HINTERNET m_internet;
    const std::wstring m_host, m_user, m_password;
    const int m_port;
    HANDLE m_thread = nullptr;

    std::mutex m_mutex;  // guards the members below
    InternetHandle m_connection;
    InternetHandle m_internetToClose;  // handed over while the thread ran
    bool m_finished = false;
    bool m_dropConnection = false;
};
