// The tree, the address control and the hint window on a real dialog.
#include <gtest/gtest.h>

#include "HostDialog.h"
#include "TestSupport.h"
#include "skin/Fonts.h"
#include "skin/IPAddressCtrlEx.h"
#include "skin/MyTreeCtrl.h"

namespace {

class Controls : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureGdiplus();
        ASSERT_TRUE(host.Open(40, 40, 400, 260));
    }
    void TearDown() override { host.DestroyWindow(); }
    HostDialog host;
};

TEST_F(Controls, SelectedTreeItemIsBlueAndTheOldSelectionTurnsWhite) {
    CMyTreeCtrl tree;
    ASSERT_TRUE(tree.SubclassDlgItem(IDC_TEST_TREE, &host));
    tree.SetTextFont(17, kPreferredFace);
    HTREEITEM drive = tree.InsertItem(L"C: (Data)");
    HTREEITEM packs = tree.InsertItem(L"Packs", drive);
    HTREEITEM pack = tree.InsertItem(L"AppUpgradePack.zip", packs);
    HTREEITEM other = tree.InsertItem(L"D:");
    tree.Expand(drive, TVE_EXPAND);
    tree.Expand(packs, TVE_EXPAND);
    tree.SelectItem(pack);
    tree.Invalidate(FALSE);
    tree.UpdateWindow();
    PumpMessagesFor(100);

    // The box is 10 pixels wider than the text rectangle: its right part
    // holds no text, only the fill.
    auto boxPixel = [&](HTREEITEM item) {
        RECT r;
        EXPECT_TRUE(tree.GetItemTextRect(item, &r));
        POINT p{r.right + 6, (r.top + r.bottom) / 2};
        ::ClientToScreen(tree, &p);
        return ScreenPixel(p.x, p.y);
    };
    EXPECT_TRUE(Near(boxPixel(pack), RGB(49, 106, 197), 6));
    EXPECT_TRUE(Near(boxPixel(other), RGB(255, 255, 255), 6));

    tree.SelectItem(other);
    tree.UpdateWindow();
    PumpMessagesFor(100);
    EXPECT_TRUE(Near(boxPixel(other), RGB(49, 106, 197), 6));
    EXPECT_TRUE(Near(boxPixel(pack), RGB(255, 255, 255), 6));
    EXPECT_EQ(::GetObjectType(tree.GetFont()), static_cast<DWORD>(OBJ_FONT));
}

TEST_F(Controls, AddressControlTakesTheChineseFaceOrFallsBack) {
    CIPAddressCtrlEx address;
    ASSERT_TRUE(address.SubclassDlgItem(IDC_TEST_ADDRESS, &host));
    if (IsFontInstalled(address, kPreferredFace)) {
        EXPECT_EQ(address.GetFontHeight(), 20);
        EXPECT_EQ(address.GetFaceName(), kPreferredFace);
    } else {
        EXPECT_EQ(address.GetFontHeight(), 14);
        EXPECT_EQ(address.GetFaceName(), kFallbackFace);
    }
    address.SetAddress(192, 168, 1, 10);
    DWORD value = 0;
    EXPECT_EQ(address.GetAddress(&value), 4);
    EXPECT_EQ(value, static_cast<DWORD>(MAKEIPADDRESS(192, 168, 1, 10)));
    // Our own non-client frame: the outer pixel row is the border colour.
    ::RedrawWindow(address, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    PumpMessagesFor(50);
    RECT r;
    address.GetWindowRect(&r);
    EXPECT_TRUE(Near(ScreenPixel(r.left + 3, r.top), RGB(255, 255, 255), 4));
}

}  // namespace
