#include "cli/ConsoleOutput.h"

#include <windows.h>

#include "platform/Text.h"

namespace {
class HandleOutput : public ConsoleOutput {
public:
    explicit HandleOutput(DWORD which) : m_which(which) {
        const HANDLE handle = ::GetStdHandle(which);
        DWORD mode = 0;
        m_console = handle && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode);
        // Redrawing in place needs the console to read the ANSI escapes.
        if (m_console)
            m_terminal = ::SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) ||
                         (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    }
    bool IsTerminal() const override { return m_terminal; }
    // The handle is fetched for every write: disk discovery swaps standard
    // output for a while (see ModelDisks_win32.cpp).
    void Write(const std::string& utf8) override {
        const HANDLE handle = ::GetStdHandle(m_which);
        if (m_console) {
            const std::u16string text = platform::WideToUtf16(platform::Utf8ToWide(utf8));
            const wchar_t* data = reinterpret_cast<const wchar_t*>(text.data());
            DWORD left = static_cast<DWORD>(text.size());
            while (left > 0) {
                DWORD written = 0;
                if (!::WriteConsoleW(handle, data, left, &written, nullptr) || written == 0) return;
                data += written;
                left -= written;
            }
            return;
        }
        const char* data = utf8.data();
        DWORD left = static_cast<DWORD>(utf8.size());
        while (left > 0) {
            DWORD written = 0;
            if (!::WriteFile(handle, data, left, &written, nullptr) || written == 0) return;
            data += written;
            left -= written;
        }
    }

private:
    DWORD m_which;
    bool m_console = false;
    bool m_terminal = false;
};
}  // namespace

std::unique_ptr<ConsoleOutput> MakeStandardOutput() { return std::make_unique<HandleOutput>(STD_OUTPUT_HANDLE); }
std::unique_ptr<ConsoleOutput> MakeStandardError() { return std::make_unique<HandleOutput>(STD_ERROR_HANDLE); }
