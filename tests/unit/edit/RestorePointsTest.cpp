// Restore points: backups known by their names alone, listed newest first, and the files the
// pruning lets go.
#include "edit/RestorePrune.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

using namespace std::chrono;

namespace {

const local_seconds kJune1 = local_days{2026y / 6 / 1} + 10h + 20min + 30s;

std::tm June1() {
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 5;
    local.tm_mday = 1;
    local.tm_hour = 10;
    local.tm_min = 20;
    local.tm_sec = 30;
    return local;
}

} // namespace

TEST(RestorePoints, aBackupIsKnownByItsNameAlone) {
    const struct {
        const char* name;
        std::optional<RestorePoint> point;
    } cases[] = {
        {"2026-06-01_10.20.30-downloaded.json",
         RestorePoint{"2026-06-01_10.20.30-downloaded.json", kJune1, BackupKind::Downloaded}},
        {"2026-06-01_10.20.30-before-edit_12.json",
         RestorePoint{"2026-06-01_10.20.30-before-edit_12.json", kJune1, BackupKind::BeforeEdit,
                      12}},
        {"2026-06-01_10.20.30-before-tune_1.json", std::nullopt}, // UnusedPath starts at _2
        {"2026-02-30_10.00.00-before-put.json", std::nullopt},
        {"2026-06-01_10.20.30-exported.json", std::nullopt},
        {"2026-06-01_10.20.30-downloaded.csv", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RestorePointOf(c.name), c.point);
    }
    EXPECT_EQ(MadeBy(BackupKind::BeforePut), "before put");
}

TEST(RestorePoints, theFolderIsListedNewestFirstAndNothingElseInItCounts) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("tvx-restore-" + std::to_string(::getpid()));
    EXPECT_EQ(std::get<0>(ListRestorePoints(dir.string())).size(), 0u);
    fs::create_directories(dir / "2026-06-03_09.00.00-downloaded.json");
    for (const char* name :
         {"2026-06-01_10.20.30-downloaded.json", "notes.txt",
          "2026-06-02_09.00.00-before-edit.json", "2026-06-01_10.20.30-downloaded_2.json",
          "2026-06-01_10.20.30-downloaded_10.json"}) {
        std::ofstream(dir / name) << "{}";
    }
    const auto listed = ListRestorePoints(dir.string());
    std::vector<std::string> names;
    for (const RestorePoint& point : std::get<0>(listed)) {
        names.push_back(point.file);
    }
    fs::remove_all(dir);
    EXPECT_EQ(names, (std::vector<std::string>{"2026-06-02_09.00.00-before-edit.json",
                                               "2026-06-01_10.20.30-downloaded_10.json",
                                               "2026-06-01_10.20.30-downloaded_2.json",
                                               "2026-06-01_10.20.30-downloaded.json"}));
}

TEST(RestorePoints, pruningKeepsTheLastMonthAndTheNewest200AndLetsCopiesGo) {
    const auto distinct = [](int k) { return std::optional<std::uint64_t>(k); };
    const struct {
        const char* what;
        int count;
        hours newest, apart; // the newest file's age, and each next one's more
        std::function<std::optional<std::uint64_t>(int)> digest;
        std::vector<int> pruned; // as k of file k, newest first
    } cases[] = {
        {"one file a year old", 1, 365 * 24h, 1h, distinct, {}},
        {"300 files of the last 25 days", 300, 0h, 2h, distinct, {}},
        {"201 files 31 days old and more", 201, 31 * 24h, 1h, distinct, {200}},
        {"past the newest 200, the last file of 30 days stays",
         250,
         0h,
         3h,
         distinct,
         {241, 242, 243, 244, 245, 246, 247, 248, 249}},
        {"copies of a newer kept file, however new",
         5,
         0h,
         1h,
         [](int k) { return k % 2; },
         {2, 3, 4}},
        {"copies do not count among the 200",
         205,
         40 * 24h,
         1h,
         [](int k) { return k <= 5 ? 0 : k; },
         {1, 2, 3, 4, 5}},
        {"unreadable files are no copies",
         3,
         0h,
         1h,
         [](int) { return std::optional<std::uint64_t>(); },
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<KeptTable> tables;
        for (int k = c.count - 1; k >= 0; --k) { // oldest first: the order must not matter
            tables.push_back({{std::to_string(k), kJune1 - c.newest - k * c.apart}, c.digest(k)});
        }
        std::vector<std::string> expected;
        for (int k : c.pruned) {
            expected.push_back(std::to_string(k));
        }
        EXPECT_EQ(FilesToPrune(tables, June1()), expected);
    }
}

TEST(RestorePoints, aDigestTellsTablesApart) {
    TableFile base{{}, true, 1};
    base.table.fill(100);
    const std::function<void(TableFile&)> changes[] = {
        [](TableFile& f) { f.table[399] = 101; },
        [](TableFile& f) { f.table[kPressureBase + 19] = 1; },
        [](TableFile& f) { f.intakeType = 2; },
    };
    for (const auto& change : changes) {
        TableFile other = base;
        change(other);
        EXPECT_NE(TableDigest(other), TableDigest(base));
    }
    EXPECT_EQ(TableDigest(TableFile(base)), TableDigest(base));
}
