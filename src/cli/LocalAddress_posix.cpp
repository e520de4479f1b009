// This PC's own IPv4 address for the native build, as the Windows build
// finds it: the first IPv4 address the host name resolves to.
#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include "app/LocalAddress.h"
#include "platform/Text.h"

std::wstring GetLocalAddress() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return L"0.0.0.0";
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &found) != 0 || !found) return L"0.0.0.0";
    std::wstring result = L"0.0.0.0";
    char text[INET_ADDRSTRLEN] = {};
    const auto* address = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    if (inet_ntop(AF_INET, &address->sin_addr, text, sizeof text)) result = platform::Utf8ToWide(text);
    freeaddrinfo(found);
    return result;
}
