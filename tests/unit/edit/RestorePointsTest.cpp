// Restore points: backups known by their names alone, listed newest first, and the files the
// pruning lets go.
#include "edit/RestorePrune.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

using namespace std::chrono;

namespace {

const local_seconds kJune1 = local_days{2026y / 6 / 1} + 10h + 20min + 30s;

} // namespace

TEST(RestorePoints, aFolderListsItsBackupsByTheirNamesNewestFirst) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("tvx-restore-" + std::to_string(::getpid()));
    EXPECT_EQ(std::get<0>(ListRestorePoints(dir.string())).size(), 0u);
    fs::create_directories(dir / "2026-06-03_09.00.00-downloaded.json"); // a folder
    for (const char* name :
         {"2026-06-01_10.20.30-downloaded.json", "2026-06-02_09.00.00-before-edit.json",
          "2026-06-01_10.20.30-downloaded_2.json", "2026-06-01_10.20.30-downloaded_10.json",
          "notes.txt",
          "2026-06-01_10.20.30-before-tune_1.json", // UnusedPath starts at _2
          "2026-02-30_10.20.30-before-put.json", "2026-06-01_10.20.30-exported.json",
          "2026-06-01_10.20.30-downloaded.csv"}) {
        std::ofstream(dir / name) << "{}";
    }
    const auto listed = ListRestorePoints(dir.string());
    fs::remove_all(dir);
    const std::vector<RestorePoint> expected = {
        {"2026-06-02_09.00.00-before-edit.json", local_days{2026y / 6 / 2} + 9h,
         BackupKind::BeforeEdit},
        {"2026-06-01_10.20.30-downloaded_10.json", kJune1, BackupKind::Downloaded, 10},
        {"2026-06-01_10.20.30-downloaded_2.json", kJune1, BackupKind::Downloaded, 2},
        {"2026-06-01_10.20.30-downloaded.json", kJune1, BackupKind::Downloaded},
    };
    EXPECT_EQ(std::get<0>(listed), expected);
    EXPECT_EQ(MadeBy(BackupKind::BeforePut), "before put");
}

TEST(RestorePoints, pruningKeepsTheLastMonthAndTheNewest200AndLetsCopiesGo) {
    std::tm now{};
    now.tm_year = 2026 - 1900, now.tm_mon = 5, now.tm_mday = 1;
    now.tm_hour = 10, now.tm_min = 20, now.tm_sec = 30;
    using Digest = std::function<std::optional<std::string>(int)>;
    const Digest distinct = [](int k) { return std::to_string(k); };
    const struct {
        const char* what;
        int count;
        hours newest, apart; // the newest file's age, and how much older each next one is
        Digest digest;
        const char* pruned; // by k, file k the k-th newest
    } cases[] = {
        {"one file a year old", 1, 365 * 24h, 1h, distinct, ""},
        {"300 files of the last 25 days", 300, 0h, 2h, distinct, ""},
        {"201 files 31 days old and more", 201, 31 * 24h, 1h, distinct, "200 "},
        {"past the newest 200, the last file of 30 days stays", 250, 0h, 3h, distinct,
         "241 242 243 244 245 246 247 248 249 "},
        {"copies of a newer kept file, however new", 5, 0h, 1h,
         [](int k) { return std::to_string(k % 2); }, "2 3 4 "},
        {"copies do not count among the 200", 205, 40 * 24h, 1h,
         [](int k) { return std::to_string(k <= 5 ? 0 : k); }, "1 2 3 4 5 "},
        {"unreadable files are no copies", 3, 0h, 1h,
         [](int) { return std::optional<std::string>(); }, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<KeptTable> tables;
        for (int k = c.count - 1; k >= 0; --k) { // oldest first: the order must not matter
            tables.push_back({{std::to_string(k), kJune1 - c.newest - k * c.apart}, c.digest(k)});
        }
        std::string pruned;
        for (const std::string& file : FilesToPrune(tables, now)) {
            pruned += file + " ";
        }
        EXPECT_EQ(pruned, c.pruned);
    }
}

TEST(RestorePoints, aFolderPastTheNewest200LosesOnlyOlderCopiesOfAKeptTable) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("tvx-prune-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::tm now{};
    now.tm_year = 2026 - 1900, now.tm_mon = 5, now.tm_mday = 1, now.tm_hour = 11;
    const auto keep = [&dir](int minutesBefore, const std::string& text) {
        const int m = 10 * 60 - minutesBefore; // before 10:00 of June 1
        char name[64];
        std::snprintf(name, sizeof name, "2026-06-01_%02d.%02d.00-downloaded.json", m / 60, m % 60);
        std::ofstream(dir / name) << text;
        return std::string(name);
    };
    keep(0, "{\"a\":0}");
    for (int k = 1; k < static_cast<int>(kKeepNewest); ++k) {
        keep(k, "{\"a\":" + std::to_string(k) + "}");
    }
    EXPECT_TRUE(PruneRestorePoints(dir.string(), now).empty()) << "200 files: none read";
    const std::string copy =
        keep(static_cast<int>(kKeepNewest), "{\"a\":0}"); // the newest's table again
    std::ofstream(dir / "notes.txt") << "{\"a\":0}";      // no restore point: never touched
    EXPECT_EQ(PruneRestorePoints(dir.string(), now), std::vector<std::string>{copy});
    EXPECT_FALSE(fs::exists(dir / copy));
    EXPECT_TRUE(fs::exists(dir / "notes.txt"));
    EXPECT_EQ(std::get<0>(ListRestorePoints(dir.string())).size(), kKeepNewest);
    fs::remove_all(dir);
}
