// Which restore points go, so the backup folder does not fill up: every one of the last 30
// days and the newest 200 whatever their age are kept, and an older one goes. A table that a
// newer kept file holds too goes at any age, as it is not the only copy of that state; so the
// newest file always stays.
#pragma once

#include "edit/RestorePoints.h"
#include "table/TableFormats.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

inline constexpr std::chrono::days kKeepDays{30};
inline constexpr std::size_t kKeepNewest = 200;

struct KeptTable {
    RestorePoint point;
    std::optional<std::uint64_t> digest; // TableDigest of its file; nothing when unreadable
};

// Equal for equal tables within one run of the program; never stored.
std::uint64_t TableDigest(const TableFile& file);

// The names of the files to delete, newest first; `now` is the local time, as LocalNow gives it.
std::vector<std::string> FilesToPrune(std::vector<KeptTable> tables, const std::tm& now);
