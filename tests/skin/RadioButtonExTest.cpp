// A group of three CRadioButtonEx and a fourth in a group of its own.
#include <gtest/gtest.h>

#include "HostDialog.h"
#include "TestSupport.h"
#include "skin/RadioButtonEx.h"

namespace {

class RadioButtonEx : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureGdiplus();
        ASSERT_TRUE(host.Open(40, 40, 400, 200));
        for (int i = 0; i < 4; ++i) ASSERT_TRUE(radios[i].SubclassDlgItem(IDC_TEST_RADIO_FIRST + i, &host));
        radios[3].SendMessage(BM_SETCHECK, 1);
        PumpMessagesFor(50);
    }
    void TearDown() override { host.DestroyWindow(); }

    int CheckedInGroup() {
        int n = 0;
        for (int i = 0; i < 3; ++i) n += static_cast<int>(radios[i].SendMessage(BM_GETCHECK));
        return n;
    }

    HostDialog host;
    CRadioButtonEx radios[4];
};

TEST_F(RadioButtonEx, ClickSpaceAndSetCheckEachLeaveExactlyOneChecked) {
    radios[0].SendMessage(BM_SETCHECK, 1);
    PumpMessagesFor(50);
    EXPECT_EQ(radios[0].SendMessage(BM_GETCHECK), 1);
    EXPECT_EQ(CheckedInGroup(), 1);

    // By mouse: checked before the parent hears of the click; the others are
    // unchecked once the posted messages are handled.
    radios[1].SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    EXPECT_EQ(radios[1].SendMessage(BM_GETCHECK), 1);
    EXPECT_EQ(radios[0].SendMessage(BM_GETCHECK), 1) << "unchecking is posted, not immediate";
    radios[1].SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    PumpMessagesFor(50);
    EXPECT_EQ(CheckedInGroup(), 1);
    EXPECT_EQ(radios[0].SendMessage(BM_GETCHECK), 0);
    ASSERT_FALSE(host.commands.empty());
    EXPECT_EQ(host.commands.back(), static_cast<UINT>(IDC_TEST_RADIO_FIRST + 1));

    // By the space bar.
    radios[2].SendMessage(WM_KEYDOWN, VK_SPACE, 0);
    PumpMessagesFor(50);
    EXPECT_EQ(radios[2].SendMessage(BM_GETCHECK), 1);
    EXPECT_EQ(CheckedInGroup(), 1);

    // The other group is never touched.
    EXPECT_EQ(radios[3].SendMessage(BM_GETCHECK), 1);
}

TEST_F(RadioButtonEx, UncheckingTouchesOnlyThatControl) {
    radios[2].SendMessage(BM_SETCHECK, 1);
    PumpMessagesFor(50);
    radios[2].SendMessage(BM_SETCHECK, 0);
    PumpMessagesFor(50);
    EXPECT_EQ(CheckedInGroup(), 0);
    EXPECT_EQ(radios[3].SendMessage(BM_GETCHECK), 1);
}

TEST_F(RadioButtonEx, CheckedAndUncheckedMarksDrawDifferently) {
    RECT r;
    radios[0].GetWindowRect(&r);
    const int markX = r.left + 8, markY = (r.top + r.bottom) / 2;  // centre of the 16 x 16 mark
    radios[0].SendMessage(BM_SETCHECK, 0);
    PumpMessagesFor(50);
    const COLORREF off = ScreenPixel(markX, markY);
    radios[0].SendMessage(BM_SETCHECK, 1);
    radios[0].UpdateWindow();
    PumpMessagesFor(50);
    const COLORREF on = ScreenPixel(markX, markY);
    EXPECT_FALSE(Near(on, off, 30));
}

TEST_F(RadioButtonEx, DisabledGroupMemberIsUncheckedToo) {
    radios[0].SendMessage(BM_SETCHECK, 1);
    PumpMessagesFor(50);
    radios[0].EnableWindow(FALSE);
    radios[2].SendMessage(BM_SETCHECK, 1);
    PumpMessagesFor(50);
    EXPECT_EQ(radios[0].SendMessage(BM_GETCHECK), 0);
    EXPECT_EQ(CheckedInGroup(), 1);
}

}  // namespace
