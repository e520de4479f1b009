#include "packtool/TerminalPassword.h"

#include "platform/Text.h"
#include "signature/SignatureFiles.h"

#if defined(_WIN32)
#include <windows.h>

bool ReadPasswordFromTerminal(const std::wstring& prompt, std::string* password) {
    HANDLE in = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
    HANDLE out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    DWORD mode = 0;
    bool read = false;
    if (in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE && GetConsoleMode(in, &mode)) {
        DWORD wrote = 0;
        // Echo off first, so nothing typed after the prompt is shown.
        SetConsoleMode(in, (mode | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT) & ~ENABLE_ECHO_INPUT);
        WriteConsoleW(out, prompt.c_str(), static_cast<DWORD>(prompt.size()), &wrote, nullptr);
        std::wstring line(1024, L'\0');
        DWORD got = 0;
        read = ReadConsoleW(in, &line[0], static_cast<DWORD>(line.size()), &got, nullptr) != 0;
        SetConsoleMode(in, mode);
        WriteConsoleW(out, L"\r\n", 2, &wrote, nullptr);
        line.resize(read ? got : 0);
        while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r')) line.pop_back();
        std::string utf8 = platform::WideToUtf8(line);
        password->swap(utf8);
        WipeSecret(&line);
        WipeSecret(&utf8);
    }
    if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    return read;
}

#else
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

bool ReadPasswordFromTerminal(const std::wstring& prompt, std::string* password) {
    const int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (tty < 0) return false;
    struct termios before;
    if (::tcgetattr(tty, &before) != 0) {
        ::close(tty);
        return false;
    }
    // Echo goes off before the prompt is shown: what is typed after the
    // prompt must never be flushed away with the earlier typeahead.
    struct termios quiet = before;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ICANON;
    ::tcsetattr(tty, TCSAFLUSH, &quiet);
    const std::string text = platform::WideToUtf8(prompt);
    if (::write(tty, text.data(), text.size()) < 0) {
        ::tcsetattr(tty, TCSANOW, &before);
        ::close(tty);
        return false;
    }
    std::string line(1024, '\0');
    size_t length = 0;
    bool ended = false;
    char c;
    while (length < line.size()) {
        const ssize_t got = ::read(tty, &c, 1);
        if (got <= 0) break;
        if (c == '\n' || c == '\r') {
            ended = true;
            break;
        }
        line[length++] = c;
    }
    c = 0;
    ::tcsetattr(tty, TCSANOW, &before);
    const ssize_t echoed = ::write(tty, "\n", 1);  // the line end the hidden echo left out
    (void)echoed;
    ::close(tty);
    if (ended) password->assign(line.data(), length);
    WipeSecret(&line);
    return ended;
}
#endif
