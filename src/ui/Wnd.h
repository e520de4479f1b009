#pragma once
// CWnd: the base of our small window layer. A C++ object is tied to an HWND
// either by creating the window through the layer (dialogs) or by
// subclassing an existing control (SubclassDlgItem); messages then reach the
// object's virtual WindowProc. Subclassing goes through comctl32's subclass
// chain (SetWindowSubclass), so another subclass above or below ours, added
// or removed in any order, keeps working.
#include <windows.h>

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // Ties the object to a control of `parent` and routes its messages here.
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    BOOL SubclassWindow(HWND hwnd);
    HWND UnsubclassWindow();

    // The object tied to a window, or null.
    static CWnd* FromHandlePermanent(HWND hwnd);

    CWnd* GetParent() const;
    BOOL ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    void SetWindowText(const wchar_t* text) { ::SetWindowTextW(m_hWnd, text); }
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
    void MoveWindow(int x, int y, int w, int h, BOOL repaint = TRUE) { ::MoveWindow(m_hWnd, x, y, w, h, repaint); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    LRESULT SendMessage(UINT msg, WPARAM w = 0, LPARAM l = 0) { return ::SendMessageW(m_hWnd, msg, w, l); }
    BOOL PostMessage(UINT msg, WPARAM w = 0, LPARAM l = 0) { return ::PostMessageW(m_hWnd, msg, w, l); }

    // Routes one message; the default passes it on down the subclass chain
    // (DefWindowProc).
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // Called for messages of this window and its children before dispatch;
    // true consumes the message.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // A notification the parent received about this control (WM_DRAWITEM,
    // WM_CTLCOLOR*, WM_NOTIFY), reflected back to it; true when handled, the
    // parent's answer then is *result.
    virtual BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);

    LONG_PTR GetStyle() const { return ::GetWindowLongPtrW(m_hWnd, GWL_STYLE); }
    void ModifyStyle(LONG_PTR remove, LONG_PTR add);

protected:
    LRESULT Default();  // the current message to the original procedure
    // Hands a parent notification to the control it concerns; true when the
    // control handled it.
    BOOL ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void PostNcDestroy() {}
    // Ties the object to `hwnd` without subclassing (windows whose class
    // procedure is not ours), and unties it.
    void Bind(HWND hwnd);
    void Unbind();

    HWND m_hWnd = nullptr;
    bool m_subclassed = false;  // our procedure is in the window's subclass chain

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);
    friend class CDialog;
    MSG m_current{};
};
