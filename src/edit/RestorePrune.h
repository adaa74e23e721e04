// Which restore points go, so the backup folder does not fill up. Every one of the last 30 days
// and the newest 200 whatever their age are kept, and older ones go; a file whose table a newer
// kept file holds too goes at any age, as it is not the only copy of that state. The newest file
// always stays.
#pragma once

#include "edit/RestorePoints.h"

#include <chrono>
#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

inline constexpr std::chrono::days kKeepDays{30};
inline constexpr std::size_t kKeepNewest = 200;

struct KeptTable {
    RestorePoint point;
    // What tells its table from others: the file's text serves, as KeepBackup writes equal
    // tables alike. Nothing when it could not be read, which makes it no copy.
    std::optional<std::string> digest;
};

// The names of the files to delete, newest first; `now` is the local time, as LocalNow gives it.
std::vector<std::string> FilesToPrune(std::vector<KeptTable> tables, const std::tm& now);

// Deletes from `folder` the files FilesToPrune names, each file's text telling copies apart,
// once it holds more than kKeepNewest restore points; the names of those deleted.
std::vector<std::string> PruneRestorePoints(const std::string& folder, const std::tm& now);
