// Another subclass on top of a CWnd's: both see the window's messages, the
// control's own procedure still answers, and whichever leaves first (or the
// window's end) leaves the rest of the chain working.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include "ui/Wnd.h"

namespace {

constexpr UINT kProbe = WM_APP + 7;

class ProbeCounter : public CWnd {
public:
    int probes = 0;
    bool ended = false;

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == kProbe) ++probes;
        return CWnd::WindowProc(msg, wParam, lParam);
    }

protected:
    void PostNcDestroy() override { ended = true; }
};

// The other component's subclass: counts probes and the window's end.
struct OtherSubclass {
    int probes = 0;
    bool ended = false;

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR data) {
        auto* self = reinterpret_cast<OtherSubclass*>(data);
        if (msg == kProbe) ++self->probes;
        if (msg == WM_NCDESTROY) {
            self->ended = true;
            ::RemoveWindowSubclass(hwnd, &Proc, 0);
        }
        return ::DefSubclassProc(hwnd, msg, w, l);
    }
};

enum class Ending { OursLeavesFirst, OtherLeavesFirst, WindowDestroyed };

TEST(Subclass, AnotherSubclassOnTopKeepsTheChainWhicheverLeavesFirst) {
    for (Ending ending : {Ending::OursLeavesFirst, Ending::OtherLeavesFirst, Ending::WindowDestroyed}) {
        SCOPED_TRACE(static_cast<int>(ending));
        HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(edit);
        ProbeCounter ours;
        OtherSubclass other;
        ASSERT_TRUE(ours.SubclassWindow(edit));
        ASSERT_TRUE(::SetWindowSubclass(edit, &OtherSubclass::Proc, 0, reinterpret_cast<DWORD_PTR>(&other)));
        // Only the edit control's own procedure answers this one.
        auto editAnswers = [edit](WPARAM limit) {
            ::SendMessageW(edit, EM_SETLIMITTEXT, limit, 0);
            return static_cast<WPARAM>(::SendMessageW(edit, EM_GETLIMITTEXT, 0, 0)) == limit;
        };

        ::SendMessageW(edit, kProbe, 0, 0);
        EXPECT_EQ(ours.probes, 1);
        EXPECT_EQ(other.probes, 1);
        EXPECT_TRUE(editAnswers(11));

        switch (ending) {
            case Ending::OursLeavesFirst:
                EXPECT_EQ(ours.UnsubclassWindow(), edit);
                ::SendMessageW(edit, kProbe, 0, 0);
                EXPECT_EQ(ours.probes, 1);
                EXPECT_EQ(other.probes, 2);
                EXPECT_TRUE(editAnswers(22));
                EXPECT_TRUE(::RemoveWindowSubclass(edit, &OtherSubclass::Proc, 0));
                break;
            case Ending::OtherLeavesFirst:
                EXPECT_TRUE(::RemoveWindowSubclass(edit, &OtherSubclass::Proc, 0));
                ::SendMessageW(edit, kProbe, 0, 0);
                EXPECT_EQ(ours.probes, 2);
                EXPECT_EQ(other.probes, 1);
                EXPECT_TRUE(editAnswers(22));
                EXPECT_EQ(ours.UnsubclassWindow(), edit);
                break;
            case Ending::WindowDestroyed:
                ::DestroyWindow(edit);
                EXPECT_TRUE(ours.ended);
                EXPECT_TRUE(other.ended);
                EXPECT_EQ(ours.GetSafeHwnd(), nullptr);
                EXPECT_EQ(CWnd::FromHandlePermanent(edit), nullptr);
                continue;
        }
        // Both gone: the window is the plain edit control again.
        const int oursBefore = ours.probes, otherBefore = other.probes;
        ::SendMessageW(edit, kProbe, 0, 0);
        EXPECT_EQ(ours.probes, oursBefore);
        EXPECT_EQ(other.probes, otherBefore);
        EXPECT_TRUE(editAnswers(33));
        EXPECT_EQ(CWnd::FromHandlePermanent(edit), nullptr);
        ::DestroyWindow(edit);
    }
}

}  // namespace
