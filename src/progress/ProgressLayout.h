#pragma once
// The arithmetic of the progress window's picture: where the track, the
// fill tiles and the result icon go, the percentage text and the constant
// alpha. Pure functions, so they can be checked without a window.
#include <string>
#include <vector>

namespace progress {

// Number of fill tiles for `fraction`: trunc((trackWidth - 4) * fraction)
// integer-divided by the tile width.
int FillTileCount(int trackWidth, int tileWidth, double fraction);

// trunc(fraction * 100): 0.57 gives 56, not 57.
int TruncatedPercent(double fraction);

// The text under the track: the message, three spaces, the percentage, "%".
std::wstring ProgressText(const std::wstring& message, double fraction);

// Constant alpha for an opacity in percent; values outside 0..100 count as
// 100. trunc(percent * 2.55): 254 for 100, 127 for 50.
int ConstantAlpha(int opacityPercent);

struct Point {
    int x, y;
};

// Top-left of an item of size (w, h) centred in (outerW, outerH), halving
// as unsigned.
Point Centred(int outerW, int outerH, int w, int h);

// The result banner's icon: centred, then 59 pixels to the left.
Point ResultIconOrigin(int outerW, int outerH, int iconW, int iconH);

enum class Tile { Left, Middle, Right };
struct TilePlacement {
    Tile tile;
    int x;
};

// The fill tiles in drawing order for `count` tiles starting at x0: middle
// tiles 1..count-2 when count > 2, the left end when count >= 2, and the
// right end always, at x0 + (count - 1) * tileWidth. Empty when the
// fraction is not positive.
std::vector<TilePlacement> FillTiles(int count, int x0, int tileWidth, double fraction);

}  // namespace progress
