// A real CScrollDlg run modally over a real owner window, with a worker
// thread talking to it the way an upgrade run does.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "HostDialog.h"
#include "TestSupport.h"
#include "progress/ScrollDlg.h"

namespace {

struct FindState {
    HWND exclude;
    HWND found;
};

BOOL CALLBACK TakeVisibleDialog(HWND hwnd, LPARAM lParam) {
    auto* s = reinterpret_cast<FindState*>(lParam);
    wchar_t cls[32] = {};
    ::GetClassNameW(hwnd, cls, 32);
    if (hwnd != s->exclude && ::IsWindowVisible(hwnd) && wcscmp(cls, L"#32770") == 0) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

class ScrollDlg : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureGdiplus();
        ASSERT_TRUE(owner.Open(100, 80, 624, 369));
        owner.HideTemplateControls();
        ::RedrawWindow(owner, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        uiThread = ::GetCurrentThreadId();
    }
    void TearDown() override { owner.DestroyWindow(); }

    // The progress window, found from the worker by its thread (reading the
    // object's HWND from the worker would race with the UI thread).
    HWND WaitForProgressWindow() {
        for (int i = 0; i < 300; ++i) {
            FindState s{owner.GetSafeHwnd(), nullptr};
            ::EnumThreadWindows(uiThread, &TakeVisibleDialog, reinterpret_cast<LPARAM>(&s));
            if (s.found) return s.found;
            ::Sleep(20);
        }
        return nullptr;
    }

    // Runs the dialog modally on this thread while `work` runs on a worker.
    INT_PTR RunWith(CScrollDlg& dlg, std::function<void(HWND)> work) {
        std::thread worker([&] {
            HWND hwnd = WaitForProgressWindow();
            ::Sleep(300);  // the modal loop is running by now
            work(hwnd);
        });
        INT_PTR result = dlg.DoModal();
        worker.join();
        return result;
    }

    HostDialog owner;
    DWORD uiThread = 0;
};

// A point on the result mark's rim: the 30 x 30 icon sits centred, 59
// pixels to the left, in the 621 x 270 window.
constexpr int kMarkX = 236 + 15, kMarkY = 120 + 3;

RECT RectOf(HWND hwnd) {
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return r;
}

TEST_F(ScrollDlg, ProgressBannerAndEnterEndTheRunWithIdok) {
    CScrollDlg dlg(&owner);
    RECT ownerRect = RectOf(owner);
    std::atomic<bool> stillOpenAfterEarlyEnter{false}, stillOpenAfterEscape{false};
    RECT afterDraw{}, afterBanner{};
    INT_PTR result = RunWith(dlg, [&](HWND hwnd) {
        ASSERT_NE(hwnd, nullptr);
        const RECT first = RectOf(hwnd);  // the first picture is already at its place and size
        EXPECT_EQ(first.left, ownerRect.left);
        EXPECT_EQ(first.top, ownerRect.top + 46);
        EXPECT_EQ(first.right - first.left, 621);
        EXPECT_EQ(first.bottom - first.top, 270);
        SaveScreenshot(first, L"progress_0");
        dlg.SetProgress(0.57, L"正在校验升级包...");
        ::Sleep(200);
        afterDraw = RectOf(hwnd);
        SaveScreenshot(afterDraw, L"progress_57");

        ::PostMessageW(hwnd, WM_KEYDOWN, VK_RETURN, 0);  // before the banner: nothing
        ::PostMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);  // never closes
        ::Sleep(400);
        stillOpenAfterEarlyEnter = ::IsWindow(hwnd) && ::IsWindowVisible(hwnd);
        stillOpenAfterEscape = stillOpenAfterEarlyEnter.load();

        const DWORD start = ::GetTickCount();
        dlg.SetProgress(1.0, L"升级包已复制到终端.");
        const DWORD slept = ::GetTickCount() - start;
        EXPECT_GE(slept, 1900u) << "a full bar holds the worker about 2 s";
        EXPECT_LT(slept, 6000u);
        SaveScreenshot(RectOf(hwnd), L"progress_100");

        dlg.ShowResult(TRUE);
        dlg.m_bWaitEnter = true;
        ::Sleep(200);
        afterBanner = RectOf(hwnd);
        SaveScreenshot(afterBanner, L"banner_success");
        // The tick's green where the operator looks for the result.
        EXPECT_TRUE(Near(ScreenPixel(afterBanner.left + kMarkX, afterBanner.top + kMarkY), RGB(46, 204, 113), 40));
        ::PostMessageW(hwnd, WM_KEYDOWN, VK_RETURN, 0);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(stillOpenAfterEarlyEnter);
    EXPECT_TRUE(stillOpenAfterEscape);
    EXPECT_FALSE(dlg.m_bWaitEnter) << "Enter clears the flag";
    for (const RECT& r : {afterDraw, afterBanner}) {
        EXPECT_EQ(r.left, ownerRect.left);
        EXPECT_EQ(r.top, ownerRect.top + 46);
        EXPECT_EQ(r.right - r.left, 621);
        EXPECT_EQ(r.bottom - r.top, 270);
    }
}

TEST_F(ScrollDlg, CloseAfterDelayEndsTheRunAfterAboutFourSeconds) {
    CScrollDlg dlg(&owner);
    DWORD called = 0;
    const INT_PTR result = RunWith(dlg, [&](HWND hwnd) {
        dlg.SetProgress(0.29, L"升级失败,M2450 与 M2410不能匹配");
        ::Sleep(200);
        SaveScreenshot(RectOf(hwnd), L"refusal");  // a refused pack, as the operator sees it
        called = ::GetTickCount();
        dlg.CloseAfterDelay();
    });
    const DWORD elapsed = ::GetTickCount() - called;
    EXPECT_EQ(result, IDOK);
    EXPECT_GE(elapsed, 3900u);
    EXPECT_LT(elapsed, 8000u);
}

TEST_F(ScrollDlg, SameObjectRunsAgainAndShowsTheFailureBanner) {
    CScrollDlg dlg(&owner);
    INT_PTR first = RunWith(dlg, [&](HWND) { dlg.CloseAfterDelay(); });
    EXPECT_EQ(first, IDOK);
    INT_PTR second = RunWith(dlg, [&](HWND hwnd) {
        dlg.SetProgress(0.8, L"正在上传升级包...");
        dlg.ShowResult(FALSE);
        dlg.m_bWaitEnter = true;
        ::Sleep(200);
        const RECT r = RectOf(hwnd);
        SaveScreenshot(r, L"banner_failure");
        EXPECT_TRUE(Near(ScreenPixel(r.left + kMarkX, r.top + kMarkY), RGB(229, 57, 53), 40)) << "the cross's red";
        // A banner over the owner's own pixels: the window really shows.
        EXPECT_TRUE(::IsWindowVisible(hwnd));
        ::PostMessageW(hwnd, WM_KEYDOWN, VK_RETURN, 0);
    });
    EXPECT_EQ(second, IDOK);
}

TEST_F(ScrollDlg, DrawingWithoutAWindowFailsQuietly) {
    CScrollDlg dlg(&owner);
    EXPECT_FALSE(dlg.Redraw(255));
    dlg.ShowResult(TRUE);  // no window: nothing happens
    EXPECT_FALSE(dlg.m_bWaitEnter);
}

}  // namespace
