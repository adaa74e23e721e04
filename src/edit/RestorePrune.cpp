#include "edit/RestorePrune.h"

#include "common/FileNames.h"
#include "table/TableFormats.h"

#include <algorithm>
#include <filesystem>
#include <set>

static_assert(kKeepNewest > 0, "the newest file always stays");

std::vector<std::string> FilesToPrune(std::vector<KeptTable> tables, const std::tm& now) {
    std::sort(tables.begin(), tables.end(),
              [](const KeptTable& a, const KeptTable& b) { return IsNewer(a.point, b.point); });
    std::set<std::string> keptDigests;
    std::size_t kept = 0;
    std::vector<std::string> pruned;
    for (const KeptTable& table : tables) {
        const bool copy = table.digest && keptDigests.contains(*table.digest);
        if (!copy && (kept < kKeepNewest || LocalSeconds(now) - table.point.time <= kKeepDays)) {
            ++kept;
            if (table.digest) {
                keptDigests.insert(*table.digest);
            }
        } else {
            pruned.push_back(table.point.file);
        }
    }
    return pruned;
}

std::vector<std::string> PruneRestorePoints(const std::string& folder, const std::tm& now) {
    const auto listed = ListRestorePoints(folder);
    const auto* points = std::get_if<std::vector<RestorePoint>>(&listed);
    // Up to the newest 200 every file stays whatever its age, so none need be read: a keep
    // costs a listing until the folder holds more.
    if (!points || points->size() <= kKeepNewest) {
        return {};
    }
    std::vector<KeptTable> tables;
    for (const RestorePoint& point : *points) {
        auto text = ReadTableText(folder + "/" + point.file);
        auto* read = std::get_if<std::string>(&text);
        tables.push_back({point, read ? std::optional(std::move(*read)) : std::nullopt});
    }
    std::vector<std::string> deleted;
    for (const std::string& file : FilesToPrune(std::move(tables), now)) {
        std::error_code error;
        if (std::filesystem::remove(folder + "/" + file, error)) {
            deleted.push_back(file);
        }
    }
    return deleted;
}
