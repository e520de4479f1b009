#pragma once
// Where the main window's controls and painted pieces sit, in client pixels
// of the 624 x 369 background. The template only creates the controls; the
// dialog puts every one of them here, so the places do not depend on the
// dialog font's size.
#include <windows.h>

#include "res/resource.h"

namespace layout {

struct Place {
    int id;
    int x, y, w, h;
};

// The model radios, in the model table's order: each card's control and
// its two pictures (PNG resource ids).
struct ModelRadio {
    int controlId;
    unsigned checkedImage, uncheckedImage;
};
constexpr ModelRadio kModelRadios[7] = {
    {IDC_MODEL_M2410, 260, 261}, {IDC_MODEL_M2450, 262, 263}, {IDC_MODEL_M3710, 264, 265},
    {IDC_MODEL_M3750, 266, 257}, {IDC_MODEL_VK1200, 258, 259}, {IDC_MODEL_HTR940, 307, 308},
    {IDC_MODEL_M2480, 309, 310},
};

// Model radios: 84 x 86 cards in one row.
constexpr int kModelY = 47;
constexpr int kModelW = 84, kModelH = 86;
constexpr int kModelX[7] = {2, 86, 170, 254, 338, 422, 506};

// The other controls (the combo box and the address control keep their
// template size and are only moved, see kDiskComboAt and kAddressAt).
constexpr Place kPlaces[] = {
    {220, 24, 166, 100, 25},   // USB
    {219, 140, 166, 100, 25},  // 以太网
    {216, 24, 214, 100, 25},   // 应用程序
    {217, 140, 214, 100, 25},  // 系统
    {223, 256, 214, 100, 25},  // 升级工具
    {218, 457, 266, 112, 30},  // 加载升级包
    {205, 261, 318, 102, 32},  // 开始升级
    {234, 520, 165, 52, 30},   // 验证 (never shown)
    {210, 564, 7, 24, 30},     // minimise
    {211, 588, 7, 24, 30},     // close
};

constexpr POINT kDiskComboAt = {407, 167};
constexpr POINT kAddressAt = {362, 165};

// Painted pieces.
constexpr POINT kDecorationAt = {282, 158};     // image 237
constexpr RECT kLabelBox = {302, 168, 402, 188};  // "IP地址:" / "终端U盘路径:"
constexpr RECT kTitleBox = {40, 12, 460, 39};
constexpr RECT kVersionBox = {210, 17, 370, 39};
constexpr RECT kIconBox = {7, 10, 31, 34};
constexpr POINT kAddressMarkAt = {502, 167};    // image 233 or 234
constexpr POINT kPathFieldAt = {122, 267};      // image 272 with the pack path
constexpr int kPathTextInset = 2;               // the text starts 2 px inside the field
constexpr POINT kAddressFieldAt = {360, 163};   // image 236 behind the address control

}  // namespace layout
