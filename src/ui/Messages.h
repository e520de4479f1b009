#pragma once
// Typed views of the parameters of the window messages the program handles:
// each message's WPARAM/LPARAM layout is decoded here once, so handlers take
// what the message carries instead of casting it themselves.
#include <windows.h>

#include <dbt.h>

// WM_COMMAND: the control (or menu item), its notification and its window.
struct CommandMessage {
    int id;
    WORD code;
    HWND control;
};
inline CommandMessage CrackCommand(WPARAM wParam, LPARAM lParam) {
    return {LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)};
}

// WM_DEVICECHANGE: the event and the record broadcast with it (null for
// events that carry none).
struct DeviceChangeMessage {
    WPARAM event;
    const DEV_BROADCAST_HDR* header;

    // The record of a volume's arrival or removal; null for every other
    // event or device type.
    const DEV_BROADCAST_VOLUME* Volume() const {
        if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return nullptr;
        if (!header || header->dbch_devicetype != DBT_DEVTYP_VOLUME) return nullptr;
        return reinterpret_cast<const DEV_BROADCAST_VOLUME*>(header);
    }
};
inline DeviceChangeMessage CrackDeviceChange(WPARAM wParam, LPARAM lParam) {
    return {wParam, reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam)};
}

// The device context of WM_PRINTCLIENT, WM_ERASEBKGND and WM_CTLCOLOR*.
inline HDC CrackDc(WPARAM wParam) { return reinterpret_cast<HDC>(wParam); }

// The control a WM_CTLCOLOR* message asks colours for.
inline HWND CrackColouredControl(LPARAM lParam) { return reinterpret_cast<HWND>(lParam); }

// The client point of a mouse message; coordinates are signed (a captured
// mouse left of or above the window gives negative ones).
inline POINT CrackMousePoint(LPARAM lParam) {
    return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

// WM_DRAWITEM's request and WM_NOTIFY's header (null when absent).
inline const DRAWITEMSTRUCT* CrackDrawItem(LPARAM lParam) { return reinterpret_cast<const DRAWITEMSTRUCT*>(lParam); }
inline const NMHDR* CrackNotify(LPARAM lParam) { return reinterpret_cast<const NMHDR*>(lParam); }
