// Inputs are plain files, and two names of one file are known as one.
#include "common/InputFile.h"
#include "common/SameFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

TEST(InputFilePosix, onlyAPlainFileIsOpenedAndAnythingElseIsRefusedByNameAtOnce) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(testing::TempDir()) / "inputs";
    fs::create_directories(dir);
    std::ofstream(dir / "table.json") << "{}";
    const std::string fifo = (dir / "table.vet").string();
    fs::remove(fifo);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_TRUE(std::holds_alternative<File>(OpenInputFile((dir / "table.json").string())));
    const struct {
        std::string path;
        std::string why;
    } cases[] = {
        {fifo, fifo + " is a FIFO, not a file"},
        {dir.string(), dir.string() + " is a directory, not a file"},
        {"/dev/zero", "/dev/zero is a device, not a file"},
        {(dir / "none.csv").string(),
         "Cannot open " + (dir / "none.csv").string() + ": No such file or directory"},
    };
    for (const auto& c : cases) {
        const auto opened = OpenInputFile(c.path);
        ASSERT_TRUE(std::holds_alternative<std::string>(opened)) << c.path;
        EXPECT_EQ(std::get<std::string>(opened), c.why);
    }
}

TEST(SameFilePosix, namesOfOneFileAreTheSameFile) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(testing::TempDir()) / "same";
    fs::create_directories(dir / "sub");
    std::ofstream(dir / "drive.msl") << "x";
    fs::remove(dir / "link.msl");
    fs::create_symlink(dir / "drive.msl", dir / "link.msl");
    EXPECT_TRUE(SameFile((dir / "drive.msl").string(), (dir / "sub/../drive.msl").string()));
    EXPECT_TRUE(SameFile((dir / "drive.msl").string(), (dir / "link.msl").string()));
    EXPECT_TRUE(SameFile((dir / "new.html").string(), (dir / "sub/../new.html").string()));
    EXPECT_FALSE(SameFile((dir / "drive.msl").string(), (dir / "new.html").string()));
}
