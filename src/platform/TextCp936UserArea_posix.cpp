#include "platform/TextCp936UserArea.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace platform {

namespace {

constexpr wchar_t kFirst = 0xE000;

// Unassigned cells of the symbol rows, which Windows numbers on from U+E766
// in code order.
constexpr std::pair<uint16_t, uint16_t> kSymbolRowGaps[] = {
    {0xA2AB, 0xA2B0}, {0xA2E3, 0xA2E4}, {0xA2EF, 0xA2F0}, {0xA2FD, 0xA2FE}, {0xA4F4, 0xA4FE}, {0xA5F7, 0xA5FE},
    {0xA6B9, 0xA6C0}, {0xA6D9, 0xA6DF}, {0xA6EC, 0xA6ED}, {0xA6F3, 0xA6F3}, {0xA6F6, 0xA6FE}, {0xA7C2, 0xA7D0},
    {0xA7F2, 0xA7FE}, {0xA896, 0xA8A0}, {0xA8BC, 0xA8BC}, {0xA8BF, 0xA8BF}, {0xA8C1, 0xA8C4}, {0xA8EA, 0xA8FE},
    {0xA958, 0xA958}, {0xA95B, 0xA95B}, {0xA95D, 0xA95F}, {0xA989, 0xA995}, {0xA997, 0xA9A3}, {0xA9F0, 0xA9FE},
    {0xD7FA, 0xD7FE}, {0xFE50, 0xFE7E}, {0xFE80, 0xFEA0},
};

// The cells in the order of their characters: cells[c - U+E000].
const std::vector<uint16_t>& Cells() {
    static const std::vector<uint16_t> cells = [] {
        std::vector<uint16_t> v;
        auto rows = [&v](unsigned firstLead, unsigned lastLead, unsigned firstTrail, unsigned lastTrail) {
            for (unsigned lead = firstLead; lead <= lastLead; ++lead)
                for (unsigned trail = firstTrail; trail <= lastTrail; ++trail)
                    if (trail != 0x7F) v.push_back(static_cast<uint16_t>(lead << 8 | trail));
        };
        rows(0xAA, 0xAF, 0xA1, 0xFE);  // U+E000-U+E233
        rows(0xF8, 0xFE, 0xA1, 0xFE);  // U+E234-U+E4C5
        rows(0xA1, 0xA7, 0x40, 0xA0);  // U+E4C6-U+E765
        for (const auto& [first, last] : kSymbolRowGaps)
            for (unsigned cell = first; cell <= last; ++cell) v.push_back(static_cast<uint16_t>(cell));
        return v;
    }();
    return cells;
}

// (cell, character) sorted by cell.
const std::vector<std::pair<uint16_t, wchar_t>>& ByCell() {
    static const std::vector<std::pair<uint16_t, wchar_t>> byCell = [] {
        std::vector<std::pair<uint16_t, wchar_t>> v;
        const std::vector<uint16_t>& cells = Cells();
        for (size_t i = 0; i < cells.size(); ++i) v.emplace_back(cells[i], static_cast<wchar_t>(kFirst + i));
        std::sort(v.begin(), v.end());
        return v;
    }();
    return byCell;
}

}  // namespace

bool Cp936UserCellToWide(unsigned char lead, unsigned char trail, wchar_t* out) {
    const uint16_t cell = static_cast<uint16_t>(lead << 8 | trail);
    const auto& byCell = ByCell();
    const auto it = std::lower_bound(byCell.begin(), byCell.end(), std::make_pair(cell, wchar_t{0}));
    if (it == byCell.end() || it->first != cell) return false;
    *out = it->second;
    return true;
}

bool WideToCp936UserCell(wchar_t c, std::string* out) {
    const std::vector<uint16_t>& cells = Cells();
    if (c < kFirst || static_cast<size_t>(c - kFirst) >= cells.size()) return false;
    const uint16_t cell = cells[static_cast<size_t>(c - kFirst)];
    out->push_back(static_cast<char>(cell >> 8));
    out->push_back(static_cast<char>(cell & 0xFF));
    return true;
}

}  // namespace platform
