// CButtonEx driven through real window messages on a real dialog.
#include <gtest/gtest.h>

#include "HostDialog.h"
#include "TestSupport.h"
#include "skin/ButtonEx.h"
#include "skin/PngResource.h"

namespace {

class ButtonEx : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureGdiplus();
        ASSERT_TRUE(host.Open(40, 40, 400, 200));
        ASSERT_TRUE(button.SubclassDlgItem(IDC_TEST_BUTTON_FIRST, &host));
        button.SetNormalImage(229, PngType());
        button.SetHoverImage(230, PngType());
        button.SetPressedImage(231, PngType());
        button.SetDisabledImage(232, PngType());
        ::MoveWindow(button, 20, 20, 102, 32, TRUE);
        PumpMessagesFor(100);
    }
    void TearDown() override { host.DestroyWindow(); }

    // A pixel inside the button's face, left of its caption.
    COLORREF FacePixel() {
        button.Invalidate(FALSE);
        button.UpdateWindow();
        PumpMessagesFor(50);
        RECT r;
        button.GetWindowRect(&r);
        return ScreenPixel(r.left + 8, r.top + 16);
    }

    HostDialog host;
    CButtonEx button;
};

TEST_F(ButtonEx, HoverPressAndLeaveFollowTheMouse) {
    EXPECT_EQ(button.GetState(), kButtonNormal);
    const COLORREF normal = FacePixel();

    button.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(button.GetState(), kButtonNormal);  // a move alone only asks for hover reports
    button.SendMessage(WM_MOUSEHOVER, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(button.GetState(), kButtonHover);
    const COLORREF hover = FacePixel();
    EXPECT_FALSE(Near(normal, hover, 8)) << "hover must look different from normal";

    button.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_EQ(button.GetState(), kButtonPressed);
    const COLORREF pressed = FacePixel();
    EXPECT_FALSE(Near(pressed, hover, 8));
    EXPECT_FALSE(Near(pressed, normal, 8));

    button.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(button.GetState(), kButtonHover);
    PumpMessagesFor(50);
    ASSERT_EQ(host.commands.size(), 1u) << "a press and release inside is a click";
    EXPECT_EQ(host.commands[0], static_cast<UINT>(IDC_TEST_BUTTON_FIRST));

    button.SendMessage(WM_MOUSELEAVE);
    EXPECT_EQ(button.GetState(), kButtonNormal);
    EXPECT_TRUE(Near(FacePixel(), normal, 8));
}

TEST_F(ButtonEx, DisabledLookStaysAfterEnablingUntilSetStateOrMouse) {
    const COLORREF normal = FacePixel();
    button.EnableWindow(FALSE);
    const COLORREF disabled = FacePixel();
    EXPECT_EQ(button.GetState(), kButtonDisabled);
    EXPECT_FALSE(Near(normal, disabled, 8));

    button.EnableWindow(TRUE);
    EXPECT_EQ(button.GetState(), kButtonDisabled);
    EXPECT_TRUE(Near(FacePixel(), disabled, 8)) << "enabled again, still drawn disabled";

    button.SetState(kButtonNormal);
    EXPECT_TRUE(Near(FacePixel(), normal, 8));

    button.EnableWindow(FALSE);
    FacePixel();
    button.EnableWindow(TRUE);
    button.SendMessage(WM_MOUSEHOVER);  // the mouse passing over also ends the disabled look
    EXPECT_EQ(button.GetState(), kButtonHover);
}

TEST_F(ButtonEx, StateWithoutImageShowsTheParentBackgroundNotTheLastPicture) {
    FacePixel();  // the normal image is on screen now
    button.SetNormalImage(9999, PngType());  // no such image: the state has none
    EXPECT_TRUE(Near(FacePixel(), RGB(236, 240, 246), 4)) << "the parent's body colour shows through";
}

TEST_F(ButtonEx, ParentThatCannotPrintGivesTheScreenUnderTheControl) {
    host.printsClient = false;
    const COLORREF normal = FacePixel();
    button.SetNormalImage(9999, PngType());
    // Without the parent's help the control keeps what the screen showed.
    EXPECT_TRUE(Near(FacePixel(), normal, 8));
}

}  // namespace
