// A window shape: the union of rectangles, each covering columns left..right-1, rows top..bottom-1.
#pragma once

#include <vector>

struct RegionRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const RegionRect&, const RegionRect&) = default;
};

using Region = std::vector<RegionRect>;
