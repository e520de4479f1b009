// The eyes of the whole-program window tests: a console program in the
// same Wine session as Quillon.exe that reads the state of its windows
// back (places, visibility, enabled and checked states, texts, combo box
// entries, the chooser's tree) and sends it the system's volume change
// messages. It reads one command per line on standard input and answers
// each with one line of JSON:
//
//   main | chooser | progress | alert | localaddress | devchange arrival|removal | quit
//
// "alert" is the message box titled 错误 that the program shows when it
// cannot read a pack's verify file.
#include <windows.h>
#include <commctrl.h>
#include <dbt.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "app/LocalAddress.h"
#include "platform/Text.h"

namespace {

const wchar_t kMainTitle[] = L"电能质量终端升级工具";
const int kMainControls[] = {202, 204, 205, 210, 211, 212, 213, 214, 215, 216, 217,
                             218, 219, 220, 221, 222, 223, 224, 225, 234};
const int kChooserControls[] = {243, 244, 245, 246};
// A message box: its OK button and its text (the id Wine and Windows give it).
const int kAlertControls[] = {IDOK, 0xFFFF};

std::string Json(const std::wstring& text) {
    std::string out = "\"";
    for (char c : platform::WideToUtf8(text)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char esc[8];
            snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string Rect(const RECT& r) {
    char text[96];
    snprintf(text, sizeof text, "[%ld,%ld,%ld,%ld]", r.left, r.top, r.right, r.bottom);
    return text;
}

std::wstring WindowText(HWND h) {
    wchar_t text[512] = {};
    DWORD_PTR ignored;
    SendMessageTimeoutW(h, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &ignored);
    return text;
}

LRESULT Ask(HWND h, UINT msg, WPARAM w = 0, LPARAM l = 0) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(h, msg, w, l, SMTO_ABORTIFHUNG, 2000, &result);
    return static_cast<LRESULT>(result);
}

std::string Control(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    std::string out = "{\"rect\":" + Rect(r);
    out += ",\"visible\":" + std::string(IsWindowVisible(h) ? "true" : "false");
    out += ",\"enabled\":" + std::string(IsWindowEnabled(h) ? "true" : "false");
    out += ",\"checked\":" + std::to_string(Ask(h, BM_GETCHECK));
    out += ",\"text\":" + Json(WindowText(h)) + "}";
    return out;
}

std::string ComboItems(HWND combo) {
    std::string out = "{\"items\":[";
    LRESULT count = Ask(combo, CB_GETCOUNT);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[512] = {};
        if (Ask(combo, CB_GETLBTEXTLEN, i) < 511) Ask(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        if (i) out += ",";
        out += Json(text);
    }
    out += "],\"selected\":" + std::to_string(Ask(combo, CB_GETCURSEL));
    return out + ",\"dropped\":" + (Ask(combo, CB_GETDROPPEDSTATE) ? "true" : "false") + "}";
}

HWND MainWindow() { return FindWindowW(L"#32770", kMainTitle); }

// Top-level windows owned by the main window.
std::vector<HWND> OwnedWindows() {
    struct Search {
        HWND owner;
        std::vector<HWND> found;
    } search{MainWindow(), {}};
    if (!search.owner) return {};
    EnumWindows(
        [](HWND h, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            if (GetWindow(h, GW_OWNER) == s->owner) s->found.push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ChooserWindow() {
    for (HWND h : OwnedWindows())
        if (GetDlgItem(h, 246) && IsWindow(h)) return h;
    return nullptr;
}

HWND ProgressWindow() {
    for (HWND h : OwnedWindows())
        if (GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_LAYERED) return h;
    return nullptr;
}

std::string Window(HWND h, const int* ids, size_t count) {
    if (!h) return "{\"found\":false}";
    RECT r;
    GetWindowRect(h, &r);
    std::string out = "{\"found\":true,\"rect\":" + Rect(r);
    out += ",\"visible\":" + std::string(IsWindowVisible(h) ? "true" : "false");
    out += ",\"enabled\":" + std::string(IsWindowEnabled(h) ? "true" : "false");
    out += ",\"foreground\":" + std::string(GetForegroundWindow() == h ? "true" : "false");
    out += ",\"text\":" + Json(WindowText(h)) + ",\"controls\":{";
    bool first = true;
    for (size_t i = 0; i < count; ++i) {
        HWND c = GetDlgItem(h, ids[i]);
        if (!c) continue;
        out += (first ? "\"" : ",\"") + std::to_string(ids[i]) + "\":" + Control(c);
        first = false;
    }
    return out + "}}";
}

// Memory in the program's process for the tree view's item messages,
// which carry pointers.
class RemoteBuffer {
public:
    RemoteBuffer(HWND owner, size_t size) : m_size(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(owner, &pid);
        m_process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (m_process) m_remote = VirtualAllocEx(m_process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    }
    ~RemoteBuffer() {
        if (m_remote) VirtualFreeEx(m_process, m_remote, 0, MEM_RELEASE);
        if (m_process) CloseHandle(m_process);
    }
    bool ok() const { return m_remote != nullptr; }
    char* at(size_t offset) const { return static_cast<char*>(m_remote) + offset; }
    bool Write(size_t offset, const void* data, size_t n) {
        return WriteProcessMemory(m_process, at(offset), data, n, nullptr);
    }
    bool Read(size_t offset, void* data, size_t n) { return ReadProcessMemory(m_process, at(offset), data, n, nullptr); }

private:
    HANDLE m_process = nullptr;
    void* m_remote = nullptr;
    size_t m_size;
};

// Every item the tree shows or would show when scrolled: the roots and the
// children of expanded items, in display order, with their screen places.
class TreeReader {
public:
    explicit TreeReader(HWND tree) : m_tree(tree), m_remote(tree, 4096) {}

    std::string Items() {
        if (!m_remote.ok()) return "[]";
        Walk(reinterpret_cast<HTREEITEM>(Ask(m_tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)), 0);
        return m_out + "]";
    }

private:
    HTREEITEM Next(HTREEITEM item, UINT code) {
        return reinterpret_cast<HTREEITEM>(Ask(m_tree, TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
    }

    void Walk(HTREEITEM item, int depth) {
        for (; item; item = Next(item, TVGN_NEXT)) {
            TVITEMW it{};
            it.mask = TVIF_TEXT | TVIF_STATE | TVIF_IMAGE;
            it.hItem = item;
            it.stateMask = TVIS_SELECTED | TVIS_EXPANDED;
            it.pszText = reinterpret_cast<wchar_t*>(m_remote.at(1024));
            it.cchTextMax = 1024;
            m_remote.Write(0, &it, sizeof it);
            Ask(m_tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(m_remote.at(0)));
            wchar_t text[1024] = {};
            m_remote.Read(0, &it, sizeof it);
            m_remote.Read(1024, text, sizeof text - sizeof(wchar_t));

            RECT r{};
            memcpy(&r, &item, sizeof item);  // TVM_GETITEMRECT takes the item in the rectangle
            m_remote.Write(512, &r, sizeof r);
            if (Ask(m_tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(m_remote.at(512))))
                m_remote.Read(512, &r, sizeof r);
            else
                r = RECT{};
            MapWindowPoints(m_tree, nullptr, reinterpret_cast<POINT*>(&r), 2);

            m_out += m_first ? "" : ",";
            m_first = false;
            m_out += "{\"text\":" + Json(text) + ",\"depth\":" + std::to_string(depth) +
                     ",\"image\":" + std::to_string(it.iImage) + ",\"rect\":" + Rect(r) +
                     ",\"selected\":" + ((it.state & TVIS_SELECTED) ? "true" : "false") +
                     ",\"expanded\":" + ((it.state & TVIS_EXPANDED) ? "true" : "false") + "}";
            if (it.state & TVIS_EXPANDED) Walk(Next(item, TVGN_CHILD), depth + 1);
        }
    }

    HWND m_tree;
    RemoteBuffer m_remote;
    std::string m_out = "[";
    bool m_first = true;
};

std::string DeviceChange(bool arrival) {
    HWND main = MainWindow();
    if (!main) return "{\"sent\":false}";
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof volume;
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_unitmask = 1u << ('F' - 'A');
    volume.dbcv_flags = 0;
    DWORD_PTR result = 0;
    BOOL sent = SendMessageTimeoutW(main, WM_DEVICECHANGE, arrival ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE,
                                    reinterpret_cast<LPARAM>(&volume), SMTO_ABORTIFHUNG, 10000, &result) != 0;
    return std::string("{\"sent\":") + (sent ? "true" : "false") + "}";
}

}  // namespace

int main() {
    std::string line;
    while (std::getline(std::cin, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        std::string reply;
        if (line == "main") {
            HWND main = MainWindow();
            reply = Window(main, kMainControls, sizeof kMainControls / sizeof kMainControls[0]);
            if (main) reply.insert(reply.size() - 1, ",\"combo\":" + ComboItems(GetDlgItem(main, 221)));
        } else if (line == "chooser") {
            HWND chooser = ChooserWindow();
            reply = Window(chooser, kChooserControls, sizeof kChooserControls / sizeof kChooserControls[0]);
            if (chooser) reply.insert(reply.size() - 1, ",\"tree\":" + TreeReader(GetDlgItem(chooser, 246)).Items());
        } else if (line == "progress") {
            HWND progress = ProgressWindow();
            reply = Window(progress, nullptr, 0);
        } else if (line == "alert") {
            reply = Window(FindWindowW(L"#32770", L"错误"), kAlertControls, sizeof kAlertControls / sizeof kAlertControls[0]);
        } else if (line == "localaddress") {
            reply = "{\"address\":" + Json(GetLocalAddress()) + "}";
        } else if (line == "devchange arrival" || line == "devchange removal") {
            reply = DeviceChange(line == "devchange arrival");
        } else if (line == "quit") {
            break;
        } else {
            reply = "{\"error\":" + Json(platform::Utf8ToWide(line)) + "}";
        }
        std::cout << reply << std::endl;
    }
    return 0;
}
