// Backup names: the local time to the second, why it was kept, and never a taken name.
#include "table/TableBackup.h"
#include "common/FileNames.h"

#include <gtest/gtest.h>

#include <set>

TEST(TableBackup, theNameSaysWhenAndWhy) {
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 11;
    local.tm_mday = 7;
    local.tm_hour = 9;
    local.tm_min = 5;
    local.tm_sec = 3;
    const struct {
        BackupKind kind;
        const char* stem;
    } cases[] = {{BackupKind::BeforePut, "2026-12-07_09.05.03-before-put"},
                 {BackupKind::Downloaded, "2026-12-07_09.05.03-downloaded"},
                 {BackupKind::BeforeLoad, "2026-12-07_09.05.03-before-load"},
                 {BackupKind::BeforeTune, "2026-12-07_09.05.03-before-tune"},
                 {BackupKind::BeforeEdit, "2026-12-07_09.05.03-before-edit"}};
    for (const auto& c : cases) {
        EXPECT_EQ(BackupStem(local, c.kind), c.stem);
    }
}

TEST(TableBackup, aSecondFileInTheSameSecondGetsANameOfItsOwn) {
    std::set<std::string> taken;
    for (const char* expected : {"a.json", "a_2.json", "a_3.json"}) {
        const std::string path =
            UnusedPath("a", ".json", [&](const std::string& p) { return taken.count(p) > 0; });
        EXPECT_EQ(path, expected);
        taken.insert(path);
    }
}
