#include "cli/ConsoleOutput.h"

#include <unistd.h>

namespace {
class DescriptorOutput : public ConsoleOutput {
public:
    explicit DescriptorOutput(int fd) : m_fd(fd), m_terminal(isatty(fd) == 1) {}
    bool IsTerminal() const override { return m_terminal; }
    void Write(const std::string& utf8) override {
        const char* data = utf8.data();
        size_t left = utf8.size();
        while (left > 0) {
            ssize_t n = ::write(m_fd, data, left);
            if (n <= 0) return;  // a closed pipe loses the rest; the exit status still tells
            data += n;
            left -= static_cast<size_t>(n);
        }
    }

private:
    int m_fd;
    bool m_terminal;
};
}  // namespace

std::unique_ptr<ConsoleOutput> MakeStandardOutput() { return std::make_unique<DescriptorOutput>(STDOUT_FILENO); }
std::unique_ptr<ConsoleOutput> MakeStandardError() { return std::make_unique<DescriptorOutput>(STDERR_FILENO); }
