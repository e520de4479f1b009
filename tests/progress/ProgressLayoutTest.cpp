// The progress picture's arithmetic with the shipped image sizes: track
// 400 x 22, tiles 4 x 18, background 624 x 270, icons 30 x 30.
#include <gtest/gtest.h>

#include "progress/ProgressLayout.h"

namespace {
using namespace progress;

TEST(ProgressLayout, TileCountAtTheEdges) {
    EXPECT_EQ(FillTileCount(400, 4, 0.0), 0);
    EXPECT_EQ(FillTileCount(400, 4, 0.001), 0);  // 0.396 pixels: no whole tile
    EXPECT_EQ(FillTileCount(400, 4, 0.01), 0);   // 3.96 pixels
    EXPECT_EQ(FillTileCount(400, 4, 0.0102), 1);
    EXPECT_EQ(FillTileCount(400, 4, 0.57), 56);  // 225.72 -> 225 -> 56
    EXPECT_EQ(FillTileCount(400, 4, 1.0), 99);
    EXPECT_EQ(FillTileCount(400, 0, 1.0), 0) << "a missing tile image gives no tiles";
}

TEST(ProgressLayout, PercentagesAreTruncatedNotRounded) {
    EXPECT_EQ(TruncatedPercent(0.57), 56);
    EXPECT_EQ(TruncatedPercent(0.29), 28);
    EXPECT_EQ(TruncatedPercent(0.8), 80);
    EXPECT_EQ(TruncatedPercent(0.85), 85);
    EXPECT_EQ(TruncatedPercent(0.0), 0);
    EXPECT_EQ(TruncatedPercent(1.0), 100);
    EXPECT_EQ(ProgressText(L"正在校验升级包...", 0.57), L"正在校验升级包...   56%");
    EXPECT_EQ(ProgressText(L"", 0.0), L"   0%");
}

// Any opacity outside 0..100 draws as fully opaque; opacity scales the
// picture's alpha from clear to (nearly) full.
TEST(ProgressLayout, ConstantAlphaFromOpacityPercent) {
    for (int outside : {255, 101, -1}) EXPECT_EQ(ConstantAlpha(outside), ConstantAlpha(100)) << outside;
    EXPECT_EQ(ConstantAlpha(0), 0);
    EXPECT_GE(ConstantAlpha(100), 254);
    EXPECT_LT(ConstantAlpha(49), ConstantAlpha(50));
    EXPECT_NEAR(ConstantAlpha(50), ConstantAlpha(100) / 2, 1);
}

TEST(ProgressLayout, TrackAndIconPositions) {
    const Point track = Centred(624, 270, 400, 22);
    EXPECT_EQ(track.x, 112);
    EXPECT_EQ(track.y, 124);
    const Point icon = ResultIconOrigin(624, 270, 30, 30);
    EXPECT_EQ(icon.x, 238);
    EXPECT_EQ(icon.y, 120);
}

TEST(ProgressLayout, FillTilesForFullHalfSingleAndNone) {
    const int x0 = 114;
    auto full = FillTiles(99, x0, 4, 1.0);
    ASSERT_EQ(full.size(), 99u);
    int middles = 0;
    for (const auto& t : full) middles += t.tile == Tile::Middle;
    EXPECT_EQ(middles, 97);
    EXPECT_EQ(full[97].tile, Tile::Left);
    EXPECT_EQ(full[97].x, x0);
    EXPECT_EQ(full.back().tile, Tile::Right);
    EXPECT_EQ(full.back().x, x0 + 98 * 4);  // ends 2 pixels inside the 400-pixel track
    EXPECT_EQ(full.back().x + 4, 112 + 400 - 2);

    auto one = FillTiles(1, x0, 4, 0.0102);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].tile, Tile::Right);
    EXPECT_EQ(one[0].x, x0);

    auto none = FillTiles(0, x0, 4, 0.001);  // positive but under one tile
    ASSERT_EQ(none.size(), 1u);
    EXPECT_EQ(none[0].x, x0 - 4);

    EXPECT_TRUE(FillTiles(0, x0, 4, 0.0).empty());
    auto two = FillTiles(2, x0, 4, 0.03);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0].tile, Tile::Left);
    EXPECT_EQ(two[1].tile, Tile::Right);
    EXPECT_EQ(two[1].x, x0 + 4);
}

}  // namespace
