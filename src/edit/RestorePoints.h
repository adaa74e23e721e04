// The device's tables kept in the backup folder, read back from their names as restore points.
#pragma once

#include "table/TableBackup.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct RestorePoint {
    std::string file; // its name in the folder
    std::chrono::local_seconds time;
    BackupKind kind = BackupKind::Downloaded;
    int copy = 1; // 2, 3 ... for a later backup in the same second ("..._2.json")
    bool operator==(const RestorePoint&) const = default;
};

// What made it, as the list says: "downloaded", "before put".
std::string MadeBy(BackupKind kind);

// A backup's file name read back; nothing for any other name.
std::optional<RestorePoint> RestorePointOf(std::string_view fileName);

// By time, then by copy; the name settles two kinds kept in the same second.
bool IsNewer(const RestorePoint& a, const RestorePoint& b);

// The restore points in `folder`, newest first; none when it is not there yet.
std::variant<std::vector<RestorePoint>, FileError> ListRestorePoints(const std::string& folder);
