// A block of cells as the grid selects them: pressure columns p0..p1 by RPM rows r0..r1, ends
// included. The default is the whole table, which an edit with no block works on.
#pragma once

#include "table/VeTable.h"

#include <string>
#include <string_view>
#include <variant>

struct Block {
    int p0 = 0, p1 = kLatticeSize - 1; // p0 <= p1
    int r0 = 0, r1 = kLatticeSize - 1; // r0 <= r1
    int columns() const { return p1 - p0 + 1; }
    int rows() const { return r1 - r0 + 1; }
    bool operator==(const Block&) const = default;
};

// "P0:P1,R0:R1", pressure indices then RPM indices, 0 to 19; either end of a span may come
// first, as a selection dragged either way, and one index is a span of one ("3,0:19").
std::variant<Block, std::string> ParseBlock(std::string_view text);

// "4 x 3 cells": columns across, rows down, as the grid shows it.
std::string BlockSizeText(const Block& block);
