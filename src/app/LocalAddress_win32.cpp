#include "app/LocalAddress.h"

#include <winsock2.h>
#include <windows.h>

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
