#include "progress/ProgressLayout.h"

namespace progress {

int FillTileCount(int trackWidth, int tileWidth, double fraction) {
    if (tileWidth <= 0) return 0;
    return static_cast<int>(static_cast<double>(trackWidth - 4) * fraction) / tileWidth;
}

int TruncatedPercent(double fraction) { return static_cast<int>(fraction * 100.0); }

std::wstring ProgressText(const std::wstring& message, double fraction) {
    return message + L"   " + std::to_wstring(TruncatedPercent(fraction)) + L"%";
}

int ConstantAlpha(int opacityPercent) {
    if (opacityPercent < 0 || opacityPercent > 100) opacityPercent = 100;
    return static_cast<int>(static_cast<double>(opacityPercent) * 2.55);
}

Point Centred(int outerW, int outerH, int w, int h) {
    return {static_cast<int>(static_cast<unsigned>(outerW - w) / 2u),
            static_cast<int>(static_cast<unsigned>(outerH - h) / 2u)};
}

Point ResultIconOrigin(int outerW, int outerH, int iconW, int iconH) {
    return {(outerW - iconW) / 2 - 59, (outerH - iconH) / 2};
}

std::vector<TilePlacement> FillTiles(int count, int x0, int tileWidth, double fraction) {
    std::vector<TilePlacement> tiles;
    if (!(fraction > 0.0)) return tiles;
    for (int k = 1; k <= count - 2; ++k) tiles.push_back({Tile::Middle, x0 + k * tileWidth});
    if (count >= 2) tiles.push_back({Tile::Left, x0});
    tiles.push_back({Tile::Right, x0 + (count - 1) * tileWidth});
    return tiles;
}

}  // namespace progress
