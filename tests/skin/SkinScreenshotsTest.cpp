// Shows the skinned controls as an operator sees them and saves screenshots:
// every button in each state, the seven model radios checked and unchecked,
// the tree with a selected item and the address control.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <windows.h>

#include <commctrl.h>

#include "HostDialog.h"
#include "res/resource.h"
#include "TestSupport.h"
#include "skin/ButtonEx.h"
#include "skin/Fonts.h"
#include "skin/IPAddressCtrlEx.h"
#include "skin/MyTreeCtrl.h"
#include "skin/PngResource.h"
#include "skin/RadioButtonEx.h"

namespace {

RECT WindowRectOf(HWND hwnd) {
    RECT r;
    ::GetWindowRect(hwnd, &r);
    return r;
}

struct ButtonSkin {
    UINT normal, hover, pressed, disabled;  // 0: none
    int w, h;
    bool onTitleBand;
};

TEST(SkinScreenshots, ButtonPanelInEveryState) {
    EnsureGdiplus();
    HostDialog host;
    host.titleBandHeight = 44;
    ASSERT_TRUE(host.Open(20, 20, 620, 250));
    host.HideTemplateControls();
    const ButtonSkin skins[] = {
        {227, 226, 228, 225, 112, 30, false},  // 加载升级包
        {229, 230, 231, 232, 102, 32, false},  // 开始升级
        {238, 241, 240, 239, 52, 30, false},   // 验证
        {294, 293, 292, 291, 62, 28, false},   // 确定
        {290, 289, 288, 287, 62, 28, false},   // 取消
        {244, 243, 242, 245, 102, 32, false},  // spare skin
        {251, 270, 255, 0, 24, 30, true},      // minimise
        {254, 253, 252, 0, 24, 30, true},      // close
        {295, 297, 296, 0, 24, 30, true},      // chooser "-"
    };
    std::vector<std::unique_ptr<CButtonEx>> buttons;
    UINT id = 2000;
    int x = 10, titleX = 10;
    for (const ButtonSkin& s : skins) {
        for (int state = 0; state < 4; ++state, ++id) {
            const int bx = s.onTitleBand ? titleX + state * 28 : x;
            const int by = s.onTitleBand ? 7 : 56 + state * 46;
            if (s.onTitleBand && state == 3) continue;
            host.AddControl(L"BUTTON", L"", BS_PUSHBUTTON, id, bx, by, s.w, s.h);
            auto b = std::make_unique<CButtonEx>();
            ASSERT_TRUE(b->SubclassDlgItem(id, &host));
            b->SetNormalImage(s.normal, PngType());
            b->SetHoverImage(s.hover, PngType());
            b->SetPressedImage(s.pressed, PngType());
            if (s.disabled) b->SetDisabledImage(s.disabled, PngType());
            if (state == 3)
                b->EnableWindow(FALSE);
            else
                b->SetState(state);
            b->Invalidate(FALSE);
            buttons.push_back(std::move(b));
        }
        if (s.onTitleBand)
            titleX += 4 * 28;
        else
            x += s.w + 10;
    }
    ::RedrawWindow(host, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessagesFor(300);
    // Rows, top to bottom: normal, hover, pressed, disabled; the title band
    // holds the glyph buttons in normal, hover, pressed.
    EXPECT_TRUE(SaveScreenshot(WindowRectOf(host), L"buttons"));
    // "开始升级" (the second skin) in its four states, as an operator sees
    // the face: accent, lighter on hover, darker pressed, grey disabled.
    const COLORREF faces[4] = {RGB(30, 136, 229), RGB(66, 165, 245), RGB(18, 96, 170), RGB(190, 197, 209)};
    for (int state = 0; state < 4; ++state) {
        RECT r = WindowRectOf(*buttons[4 + state]);
        COLORREF seen = ScreenPixel(r.left + 5, (r.top + r.bottom) / 2);
        EXPECT_TRUE(Near(seen, faces[state])) << "state " << state << ": " << std::hex << seen;
    }
    host.DestroyWindow();
}

TEST(SkinScreenshots, ModelRadiosCheckedAndUnchecked) {
    EnsureGdiplus();
    HostDialog host;
    ASSERT_TRUE(host.Open(20, 20, 604, 250));
    host.HideTemplateControls();
    const UINT pairs[7][2] = {{260, 261}, {262, 263}, {264, 265}, {266, 257}, {258, 259}, {307, 308}, {309, 310}};
    std::vector<std::unique_ptr<CRadioButtonEx>> radios;
    UINT id = 3000;
    for (int row = 0; row < 2; ++row) {
        for (int i = 0; i < 7; ++i, ++id) {
            host.AddControl(L"BUTTON", L"", BS_AUTORADIOBUTTON | WS_GROUP, id, 2 + i * 84, 8 + row * 92, 84, 86);
            auto r = std::make_unique<CRadioButtonEx>();
            ASSERT_TRUE(r->SubclassDlgItem(id, &host));
            r->RemoveBackgroundImage();
            r->SetCheckedImage(pairs[i][0], PngType());
            r->SetUncheckedImage(pairs[i][1], PngType());
            r->SendMessage(BM_SETCHECK, row == 0 ? 1 : 0);
            radios.push_back(std::move(r));
        }
    }
    // The default skin with text: checked, unchecked and disabled.
    const wchar_t* texts[] = {L"USB", L"以太网", L"应用程序", L"系统"};
    for (int i = 0; i < 4; ++i, ++id) {
        host.AddControl(L"BUTTON", texts[i], BS_AUTORADIOBUTTON | WS_GROUP, id, 10 + i * 110, 200, 100, 25);
        auto r = std::make_unique<CRadioButtonEx>();
        ASSERT_TRUE(r->SubclassDlgItem(id, &host));
        r->SendMessage(BM_SETCHECK, i == 0 ? 1 : 0);
        if (i == 3) r->EnableWindow(FALSE);
        radios.push_back(std::move(r));
    }
    ::RedrawWindow(host, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessagesFor(300);
    EXPECT_TRUE(SaveScreenshot(WindowRectOf(host), L"model_radios"));
    // A checked card has the accent frame, an unchecked one white; the
    // rounded corners show the window behind them, not black.
    const COLORREF body = RGB(236, 240, 246);
    for (int i = 0; i < 7; ++i) {
        RECT checked = WindowRectOf(*radios[i]), unchecked = WindowRectOf(*radios[7 + i]);
        const int y = (checked.top + checked.bottom) / 2;
        EXPECT_TRUE(Near(ScreenPixel(checked.left + 2, y), RGB(43, 146, 235))) << "card " << i;
        EXPECT_TRUE(Near(ScreenPixel(unchecked.left + 2, (unchecked.top + unchecked.bottom) / 2), RGB(255, 255, 255)));
        EXPECT_TRUE(Near(ScreenPixel(checked.left, checked.top), body)) << "corner of card " << i;
    }
    // The text radios: a blue dot when checked, white when not.
    RECT usb = WindowRectOf(*radios[14]), ethernet = WindowRectOf(*radios[15]);
    EXPECT_TRUE(Near(ScreenPixel(usb.left + 8, (usb.top + usb.bottom) / 2), RGB(33, 138, 229)));
    EXPECT_TRUE(Near(ScreenPixel(ethernet.left + 8, (ethernet.top + ethernet.bottom) / 2), RGB(255, 255, 255)));
    host.DestroyWindow();
}

TEST(SkinScreenshots, TreeWithSelectionAndAddressControl) {
    EnsureGdiplus();
    HostDialog host;
    ASSERT_TRUE(host.Open(20, 20, 460, 260));
    host.HideTemplateControls();
    ::ShowWindow(::GetDlgItem(host, IDC_TEST_TREE), SW_SHOW);
    ::ShowWindow(::GetDlgItem(host, IDC_TEST_ADDRESS), SW_SHOW);
    CMyTreeCtrl tree;
    ASSERT_TRUE(tree.SubclassDlgItem(IDC_TEST_TREE, &host));
    ::MoveWindow(tree, 10, 10, 300, 200, TRUE);
    tree.SetTextFont(17, kPreferredFace);
    // The chooser's image list: drive, folder and pack icons, two of each.
    HIMAGELIST icons = ImageList_Create(16, 16, ILC_COLOR24, 6, 6);
    ImageList_SetBkColor(icons, RGB(255, 255, 255));
    for (UINT icon : {IDI_DRIVE, IDI_DRIVE, IDI_FOLDER, IDI_FOLDER, IDI_PACK, IDI_PACK}) {
        HICON h = static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(icon), IMAGE_ICON,
                                                  16, 16, LR_SHARED));
        ImageList_AddIcon(icons, h);
    }
    tree.SendMessage(TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(icons));
    auto add = [&](const wchar_t* text, HTREEITEM parent, int image) {
        HTREEITEM item = tree.InsertItem(text, parent);
        TVITEMW it{};
        it.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        it.hItem = item;
        it.iImage = image;
        it.iSelectedImage = image + 1;
        tree.SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it));
        return item;
    };
    HTREEITEM desktop = add(L"桌面", TVI_ROOT, 2);
    add(L"Packs", desktop, 2);
    HTREEITEM docs = add(L"我的文档", TVI_ROOT, 2);
    add(L"旧版本", docs, 2);
    HTREEITEM drive = add(L"C: (Data)", TVI_ROOT, 0);
    HTREEITEM packs = add(L"Packs", drive, 2);
    add(L"Archive", packs, 2);
    HTREEITEM pack = add(L"AppUpgradePack.zip", packs, 4);
    add(L"SystemUpgradePack.zip", packs, 4);
    add(L"D:", TVI_ROOT, 0);
    tree.Expand(drive, TVE_EXPAND);
    tree.Expand(packs, TVE_EXPAND);
    tree.SelectItem(pack);

    CIPAddressCtrlEx address;
    ASSERT_TRUE(address.SubclassDlgItem(IDC_TEST_ADDRESS, &host));
    ::MoveWindow(address, 320, 12, 125, 25, TRUE);
    address.SetAddress(192, 168, 10, 25);
    ::RedrawWindow(host, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessagesFor(300);
    EXPECT_TRUE(SaveScreenshot(WindowRectOf(tree), L"tree"));
    RECT a = WindowRectOf(address);
    ::InflateRect(&a, 6, 6);
    EXPECT_TRUE(SaveScreenshot(a, L"address"));
    EXPECT_TRUE(SaveScreenshot(WindowRectOf(host), L"tree_and_address"));
    host.DestroyWindow();
    ImageList_Destroy(icons);
}

}  // namespace
