// The live tuning's settings and locked cells, kept between runs.
#pragma once

#include "tune/qt/LiveTuning.h"

#include <array>

struct StoredTuning {
    TuneSettings settings;
    std::array<bool, kCellCount> locked{};
};

// What was kept; a setting that no longer reads keeps its default.
StoredTuning LoadTuning();
void SaveTuning(const StoredTuning& stored);
