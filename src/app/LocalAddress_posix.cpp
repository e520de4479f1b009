// This PC's own IPv4 addresses for the native build: every interface's
// (the host name often resolves to 127.0.1.1 or 127.0.0.1 only, which says
// nothing about the addresses the PC has on the terminals' network).
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>

#include "app/LocalAddress.h"
#include "platform/Text.h"

std::vector<std::wstring> GetLocalAddresses() {
    std::vector<std::wstring> addresses;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return addresses;
    for (const ifaddrs* i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto* address = reinterpret_cast<const sockaddr_in*>(i->ifa_addr);
        if (!inet_ntop(AF_INET, &address->sin_addr, text, sizeof text)) continue;
        const std::wstring dotted = platform::Utf8ToWide(text);
        if (std::find(addresses.begin(), addresses.end(), dotted) == addresses.end()) addresses.push_back(dotted);
    }
    freeifaddrs(list);
    return addresses;
}

// One address for callers that take one: the first that is not loopback,
// else the first; "0.0.0.0" when there is none.
std::wstring GetLocalAddress() {
    const std::vector<std::wstring> addresses = GetLocalAddresses();
    for (const std::wstring& a : addresses)
        if (a.compare(0, 4, L"127.") != 0) return a;
    return addresses.empty() ? L"0.0.0.0" : addresses.front();
}
