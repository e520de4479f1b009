#include "app/LocalAddress.h"

#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstring>

std::wstring GetLocalAddress() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return L"0.0.0.0";
    std::wstring result = L"0.0.0.0";
    char name[128] = {};
    if (gethostname(name, sizeof name) == 0) {
        hostent* host = gethostbyname(name);
        if (host && host->h_addrtype == AF_INET && host->h_addr_list && host->h_addr_list[0]) {
            in_addr first;
            memcpy(&first, host->h_addr_list[0], sizeof first);
            const char* text = inet_ntoa(first);
            if (text) result.assign(text, text + strlen(text));
        }
    }
    WSACleanup();
    return result;
}

std::vector<std::wstring> GetLocalAddresses() {
    std::vector<std::wstring> addresses;
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return addresses;
    char name[128] = {};
    hostent* host = gethostname(name, sizeof name) == 0 ? gethostbyname(name) : nullptr;
    if (host && host->h_addrtype == AF_INET && host->h_addr_list) {
        for (char** entry = host->h_addr_list; *entry; ++entry) {
            in_addr address;
            memcpy(&address, *entry, sizeof address);
            const char* text = inet_ntoa(address);
            if (!text) continue;
            std::wstring dotted(text, text + strlen(text));
            if (std::find(addresses.begin(), addresses.end(), dotted) == addresses.end()) addresses.push_back(dotted);
        }
    }
    WSACleanup();
    return addresses;
}
