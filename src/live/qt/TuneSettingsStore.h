// The live tuning's settings and locked cells, kept between runs in an INI file of the user's
// configuration (~/.config/Torvex/Tuning.conf), read as every other input is: a plain file of
// bounded size, each setting checked as when it is typed.
#pragma once

#include "live/qt/TuningThread.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

struct StoredTuning {
    TuneSettings settings;
    std::array<bool, kCellCount> locked{};
};

// Far beyond the settings' own size: anything larger is no settings file of ours.
inline constexpr long kMaxTuningFileBytes = 64 * 1024;

struct LoadedTuning {
    StoredTuning stored;
    // What could not be used, for the status bar: a file set aside, a setting that keeps its
    // default.
    std::vector<std::string> notes;
};

LoadedTuning LoadTuning();
// Why the settings could not be kept (a read-only folder); nothing when they were.
std::optional<std::string> SaveTuning(const StoredTuning& stored);
