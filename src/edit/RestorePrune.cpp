#include "edit/RestorePrune.h"

#include "common/FileNames.h"

#include <algorithm>
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
