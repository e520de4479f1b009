// The skin images compiled into the program: every catalogue number loads
// at its size, with or without alpha as catalogued, and stays drawable.
#include <gtest/gtest.h>

#include <vector>

#include "TestSupport.h"
#include "skin/Fonts.h"
#include "skin/PngResource.h"

namespace {

struct Entry {
    UINT id;
    int w, h;
};

std::vector<Entry> Catalogue() {
    std::vector<Entry> c;
    auto add = [&](std::initializer_list<UINT> ids, int w, int h) {
        for (UINT id : ids) c.push_back({id, w, h});
    };
    add({225, 226, 227, 228}, 112, 30);
    add({229, 230, 231, 232, 242, 243, 244, 245}, 102, 32);
    add({238, 239, 240, 241}, 52, 30);
    add({251, 270, 255, 254, 253, 252, 295, 297, 296}, 24, 30);
    add({249, 250, 267}, 16, 16);
    add({248}, 100, 25);
    add({260, 261, 262, 263, 264, 265, 266, 257, 258, 259, 307, 308, 309, 310}, 84, 86);
    add({268}, 624, 369);
    add({237}, 273, 38);
    add({272}, 325, 29);
    add({236}, 129, 29);
    add({233, 234}, 16, 15);
    add({273}, 624, 270);
    add({274}, 400, 22);
    add({235, 276, 275}, 4, 18);
    add({284, 283}, 30, 30);
    add({286}, 392, 282);
    add({294, 293, 292, 291, 290, 289, 288, 287}, 62, 28);
    add({300}, 7, 7);
    add({301}, 5, 9);
    return c;
}

bool CataloguedAsRgb(UINT id) { return (id >= 251 && id <= 255) || id == 267 || id == 270 || (id >= 290 && id <= 297); }

class PngResource : public ::testing::Test {
protected:
    void SetUp() override { EnsureGdiplus(); }
};

TEST_F(PngResource, EveryCatalogueNumberLoadsAtItsSizeAndAlphaKind) {
    const std::vector<Entry> catalogue = Catalogue();
    ASSERT_EQ(catalogue.size(), 67u);
    for (const Entry& e : catalogue) {
        auto image = LoadPngResource(e.id, PngType());
        ASSERT_TRUE(image) << "resource " << e.id;
        EXPECT_EQ(static_cast<int>(image->GetWidth()), e.w) << "resource " << e.id;
        EXPECT_EQ(static_cast<int>(image->GetHeight()), e.h) << "resource " << e.id;
        EXPECT_EQ(Gdiplus::IsAlphaPixelFormat(image->GetPixelFormat()) != FALSE, !CataloguedAsRgb(e.id))
            << "resource " << e.id;
    }
}

TEST_F(PngResource, UnknownNumbersAndWrongTypesGiveNoImage) {
    for (UINT id : {224u, 246u, 247u, 256u, 269u, 271u, 285u, 298u, 299u, 311u, 9999u})
        EXPECT_FALSE(LoadPngResource(id, PngType())) << id;
    EXPECT_FALSE(LoadPngResource(273, nullptr));
    EXPECT_FALSE(LoadPngResource(273, RT_BITMAP));
    EXPECT_FALSE(LoadPngResource(273, L"JPG"));
}

// Reads the ARGB pixel at (x, y) of `image` after drawing it on a fresh
// 32-bit surface.
Gdiplus::ARGB DrawnPixel(Gdiplus::Image* image, int x, int y) {
    Gdiplus::Bitmap target(static_cast<INT>(image->GetWidth()), static_cast<INT>(image->GetHeight()),
                           PixelFormat32bppARGB);
    {
        Gdiplus::Graphics g(&target);
        g.Clear(Gdiplus::Color(0, 0, 0, 0));
        g.DrawImage(image, 0, 0, static_cast<INT>(image->GetWidth()), static_cast<INT>(image->GetHeight()));
    }
    Gdiplus::Color c;
    target.GetPixel(x, y, &c);
    return c.GetValue();
}

TEST_F(PngResource, ImageDrawnLongAfterLoadingStillShowsItsPicture) {
    auto background = LoadPngResource(273, PngType());
    auto success = LoadPngResource(284, PngType());
    ASSERT_TRUE(background && success);
    // Churn the heap and the global memory so a freed block would be reused.
    for (int i = 0; i < 200; ++i) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4096 + i * 64);
        if (void* p = GlobalLock(block)) memset(p, 0xAB, 4096 + i * 64);
        GlobalUnlock(block);
        GlobalFree(block);
        auto other = LoadPngResource(268, PngType());
    }
    PumpMessagesFor(200);
    // The progress background: navy 21,27,49 at alpha 204 everywhere.
    const Gdiplus::Color navy(DrawnPixel(background.get(), 300, 100));
    EXPECT_EQ(navy.GetA(), 204);
    EXPECT_NEAR(navy.GetR(), 21, 1);
    EXPECT_NEAR(navy.GetG(), 27, 1);
    EXPECT_NEAR(navy.GetB(), 49, 1);
    // The tick's disc is green and opaque at its left edge's middle.
    const Gdiplus::Color green(DrawnPixel(success.get(), 4, 15));
    EXPECT_EQ(green.GetA(), 255);
    EXPECT_GT(green.GetG(), 150);
    EXPECT_LT(green.GetR(), 100);
}

TEST_F(PngResource, FontsPreferTheChineseFaceAndRejectUnknownOnes) {
    EXPECT_TRUE(IsFontInstalled(nullptr, kPreferredFace) || IsFontInstalled(nullptr, kFallbackFace));
    EXPECT_FALSE(IsFontInstalled(nullptr, L"No Such Face Quillon"));
    EXPECT_FALSE(IsFontInstalled(nullptr, nullptr));
    auto font = CreateSkinFont(14.0f, Gdiplus::UnitPixel);
    ASSERT_TRUE(font);
    EXPECT_FLOAT_EQ(font->GetSize(), 14.0f);
}

}  // namespace
