#include "ui/Wnd.h"

#include <commctrl.h>

#include "ui/Messages.h"

namespace {
const wchar_t kObjectProp[] = L"Quillon.CWnd";
// Our entry in a window's subclass chain is this id with SubclassProc; one
// object per window (SubclassWindow refuses a second).
constexpr UINT_PTR kSubclassId = 1;
}  // namespace

CWnd::~CWnd() {
    if (m_hWnd && m_subclassed) UnsubclassWindow();
    Unbind();
}

void CWnd::Bind(HWND hwnd) {
    m_hWnd = hwnd;
    SetPropW(hwnd, kObjectProp, reinterpret_cast<HANDLE>(this));
}

void CWnd::Unbind() {
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this) RemovePropW(m_hWnd, kObjectProp);
    m_hWnd = nullptr;
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
    return hwnd ? reinterpret_cast<CWnd*>(GetPropW(hwnd, kObjectProp)) : nullptr;
}

CWnd* CWnd::GetParent() const { return FromHandlePermanent(::GetParent(m_hWnd)); }

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
    HWND child = ::GetDlgItem(parent->m_hWnd, static_cast<int>(id));
    return child ? SubclassWindow(child) : FALSE;
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
    if (!hwnd || m_hWnd || FromHandlePermanent(hwnd)) return FALSE;
    Bind(hwnd);
    m_subclassed = ::SetWindowSubclass(hwnd, &CWnd::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    if (!m_subclassed) Unbind();
    return m_subclassed ? TRUE : FALSE;
}

HWND CWnd::UnsubclassWindow() {
    HWND hwnd = m_hWnd;
    if (hwnd && m_subclassed) ::RemoveWindowSubclass(hwnd, &CWnd::SubclassProc, kSubclassId);
    m_subclassed = false;
    Unbind();
    return hwnd;
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                    DWORD_PTR object) {
    auto* self = reinterpret_cast<CWnd*>(object);
    MSG saved = self->m_current;
    self->m_current = {hwnd, msg, wParam, lParam, 0, {0, 0}};
    LRESULT r = self->WindowProc(msg, wParam, lParam);
    self->m_current = saved;
    if (msg == WM_NCDESTROY && self->m_subclassed) {
        // The window is gone: leave its chain and let the object live on
        // detached.
        self->UnsubclassWindow();
        self->PostNcDestroy();
    }
    return r;
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT reflected = 0;
    if (ReflectToChild(msg, wParam, lParam, &reflected)) return reflected;
    return DefWindowProc(msg, wParam, lParam);
}

BOOL CWnd::ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    HWND child = nullptr;
    switch (msg) {
        case WM_DRAWITEM:
            if (const DRAWITEMSTRUCT* item = CrackDrawItem(lParam)) child = item->hwndItem;
            break;
        case WM_NOTIFY:
            if (const NMHDR* header = CrackNotify(lParam)) child = header->hwndFrom;
            break;
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORLISTBOX:
            child = CrackColouredControl(lParam);
            break;
        default:
            return FALSE;
    }
    if (!child || child == m_hWnd) return FALSE;
    CWnd* target = FromHandlePermanent(child);
    return target ? target->OnChildNotify(msg, wParam, lParam, result) : FALSE;
}

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

void CWnd::ModifyStyle(LONG_PTR remove, LONG_PTR add) {
    LONG_PTR style = GetStyle();
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, (style & ~remove) | add);
}

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (m_subclassed) return ::DefSubclassProc(m_hWnd, msg, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, msg, wParam, lParam);
}

LRESULT CWnd::Default() { return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam); }

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }
