#pragma once
// An owned WinInet handle (session, connection or remote file), closed with
// InternetCloseHandle on every path unless it is moved on.
#include <windows.h>
#include <wininet.h>

class InternetHandle {
public:
    InternetHandle() = default;
    explicit InternetHandle(HINTERNET h) : m_h(h) {}
    ~InternetHandle() { Close(); }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    InternetHandle(InternetHandle&& o) noexcept : m_h(o.m_h) { o.m_h = nullptr; }
    InternetHandle& operator=(InternetHandle&& o) noexcept {
        if (this != &o) {
            Close();
            m_h = o.m_h;
            o.m_h = nullptr;
        }
        return *this;
    }

    HINTERNET Get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }

    // Closes now. For a remote file being written this ends the transfer,
    // and the result is the server's answer to it. True when nothing is held.
    bool Close() {
        if (!m_h) return true;
        const BOOL ok = ::InternetCloseHandle(m_h);
        m_h = nullptr;
        return ok != FALSE;
    }

private:
    HINTERNET m_h = nullptr;
};
