// Parent notifications about a control reach the control's object: owner
// drawing and colour requests are answered by the control itself.
#include <gtest/gtest.h>

#include "ui/Button.h"
#include "ui/Dialog.h"

namespace {

class RecordingButton : public CButton {
public:
    int draws = 0;
    HWND drawnItem = nullptr;

protected:
    void DrawItem(const DRAWITEMSTRUCT& item) override {
        ++draws;
        drawnItem = item.hwndItem;
        FillRect(item.hDC, &item.rcItem, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
};

class ColouredText : public CWnd {
public:
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    ~ColouredText() override { DeleteObject(brush); }

protected:
    BOOL OnChildNotify(UINT msg, WPARAM, LPARAM, LRESULT* result) override {
        if (msg != WM_CTLCOLORSTATIC) return FALSE;
        *result = reinterpret_cast<LRESULT>(brush);
        return TRUE;
    }
};

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

TEST(Reflection, OwnerDrawAndColourRequestsReachTheControl) {
    CDialog dialog(900, nullptr);
    ASSERT_TRUE(dialog.Create());
    RecordingButton button;
    ASSERT_TRUE(button.SubclassDlgItem(901, &dialog));
    button.SetOwnerDraw();
    ColouredText text;
    ASSERT_TRUE(text.SubclassDlgItem(902, &dialog));

    button.Invalidate(FALSE);
    button.UpdateWindow();
    Pump();
    EXPECT_GE(button.draws, 1);
    EXPECT_EQ(button.drawnItem, button.GetSafeHwnd());

    HDC dc = GetDC(text);
    LRESULT answer = dialog.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                        reinterpret_cast<LPARAM>(text.GetSafeHwnd()));
    EXPECT_EQ(answer, reinterpret_cast<LRESULT>(text.brush));
    // A control without an object gets the dialog's ordinary answer.
    HWND plain = dialog.GetDlgItem(903);
    LRESULT other = dialog.SendMessage(WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(plain));
    EXPECT_NE(other, reinterpret_cast<LRESULT>(text.brush));
    ReleaseDC(text, dc);
    dialog.DestroyWindow();
}

}  // namespace
