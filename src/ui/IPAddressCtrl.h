#pragma once
// CIPAddressCtrl: the common IP address control (WC_IPADDRESS).
#include <commctrl.h>

#include "ui/Wnd.h"

class CIPAddressCtrl : public CWnd {
public:
    void SetAddress(BYTE b0, BYTE b1, BYTE b2, BYTE b3) {
        SendMessage(IPM_SETADDRESS, 0, static_cast<LPARAM>(MAKEIPADDRESS(b0, b1, b2, b3)));
    }
    // The number of non-blank fields; the address goes to *address.
    int GetAddress(DWORD* address) {
        return static_cast<int>(SendMessage(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(address)));
    }
    BOOL IsBlank() { return static_cast<BOOL>(SendMessage(IPM_ISBLANK)); }
};
