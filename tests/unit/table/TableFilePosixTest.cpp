// Table files: every way the system can make one fail (symbolic links, devices, mode bits, the
// file size limit).
#include "FilesFixture.h"
#include "table/TableFormats.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>

namespace {

// Saves that fail for the system's reasons, of a table a .vet can hold.
struct FilesPosix : Files {
    void SetUp() override {
        Files::SetUp();
        std::fill(h.form.veTable.begin(), h.form.veTable.begin() + kCellCount, 100);
        untouched = h.form.veTable;
    }
};

// Sets or clears the immutable attribute, which stops even root; false where it cannot be set.
bool SetImmutable(const std::string& path, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    int flags = 0;
    bool ok = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return ok;
}

} // namespace

TEST_F(FilesPosix, filesThatCannotBeReadWholeAreRefusedAndChangeNothing) {
    Write(Path("short.vet"), std::string(399, '\x05'));
    Write(Path("empty.vet"), "");
    fs::create_directories(dir / "folder");
    fs::create_symlink("loop.vet", Path("loop.vet"));
    const std::pair<std::string, const char*> cases[] = {
        {Path("short.vet"), "holds 399 of 400 bytes"},
        {Path("empty.vet"), "holds 0 of 400 bytes"},
        {Path("missing.vet"), "No such file"},
        {Path("folder"), "is a directory, not a file"},
        {Path("loop.vet"), "Too many levels of symbolic links"},
        {"/proc/self/mem", "Input/output error"}, // opens, then every read fails
    };
    for (const auto& [path, reason] : cases) {
        Load(path);
        EXPECT_EQ(h.form.veTable, untouched) << path;
        EXPECT_TRUE(h.serial.log.empty()) << path;
        EXPECT_TRUE(h.canvas.ops.empty()) << path;
        EXPECT_EQ(h.form.awaitingTable, 1) << path;
        ExpectStatus(path);
        ExpectStatus(reason);
    }
    EXPECT_FALSE(fs::exists(Path("missing.vet")));
}

TEST_F(FilesPosix, savesThatCannotBeDoneSaySoAndCreateNothing) {
    Write(Path("plain"), "x");
    const std::pair<std::string, const char*> cases[] = {
        {Path("missing") + "/t.vet", "No such file or directory"},
        {dir.string(), "Is a directory"},
        {Path("plain") + "/t.vet", "Not a directory"},
        {"/dev/full", "No space"},
    };
    for (const auto& [path, reason] : cases) {
        Save(path);
        ExpectStatus("Cannot write " + path);
        ExpectStatus(reason);
    }
    EXPECT_FALSE(fs::exists(Path("missing")));
    EXPECT_EQ(Bytes(Path("plain")), "x");
}

TEST_F(FilesPosix, aReadOnlyFileIsLeftAsItWas) {
    const std::string file = Path("kept.vet");
    Write(file, std::string(1000, '\x07'));
    fs::permissions(file, fs::perms::owner_read);
    const bool root = ::geteuid() == 0;
    if (root && !SetImmutable(file, true)) {
        GTEST_SKIP() << "root writes past the mode bits and the immutable attribute is unset";
    }
    Save(file);
    ExpectStatus(root ? "Operation not permitted" : "Permission denied");
    SetImmutable(file, false);
    EXPECT_EQ(Bytes(file), std::string(1000, '\x07'));
}

// The file size limit stands in for a disk that fills up halfway through the write.
TEST_F(FilesPosix, aSaveCutShortLeavesTheOldFileWhole) {
    const std::string file = Path("half.vet");
    Write(file, std::string(400, '\x07'));
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved;
    limit.rlim_cur = 200;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    Save(file);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    ExpectStatus("File too large");
    EXPECT_EQ(Bytes(file), std::string(400, '\x07'));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST(TableFormatsPosix, aWriteCutShortLeavesTheOldFileWhole) {
    const auto dir = std::filesystem::temp_directory_path() / "tvx-formats-cut";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "backup.json").string();
    ASSERT_TRUE(
        std::holds_alternative<std::monostate>(WriteTableFile(path, TableFile{{}, true, 1})));
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved;
    limit.rlim_cur = 200; // the disk "fills" 200 bytes into the new text
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    const auto written = WriteTableFile(path, TableFile{{}, true, 2});
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_TRUE(std::holds_alternative<FileError>(written));
    const auto read = ReadTableFile(path);
    ASSERT_TRUE(std::holds_alternative<TableFile>(read));
    EXPECT_EQ(std::get<TableFile>(read).intakeType, 1);
    std::filesystem::remove_all(dir);
}

TEST_F(FilesPosix, aTerminationWhileASetIsWrittenWaitsUntilEveryFileIsWhole) {
    // A child writes a set that waits on a pipe between writing its files beside their targets
    // and moving them over; it is terminated then, and the set is all new or all old afterwards.
    Write(Path("a.csv"), "old a");
    Write(Path("b.csv"), "old b");
    ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0600), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        WriteTextFiles(
            {{Path("a.csv"), "new a"}, {Path("pipe"), "to the pipe"}, {Path("b.csv"), "new b"}});
        ::_exit(0);
    }
    const auto beside = [this] {
        return std::count_if(fs::directory_iterator(dir), fs::directory_iterator(),
                             [](const fs::directory_entry& e) {
                                 return e.path().string().find(".saving-") != std::string::npos;
                             });
    };
    while (beside() < 2) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // waiting on the pipe now
    ::kill(child, SIGTERM);
    const int pipe = ::open(Path("pipe").c_str(), O_RDONLY | O_NONBLOCK); // let it go on
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(pipe);
    EXPECT_TRUE(WIFSIGNALED(status)); // it was terminated, once the set was whole
    EXPECT_EQ(Bytes(Path("a.csv")), "new a");
    EXPECT_EQ(Bytes(Path("b.csv")), "new b");
    EXPECT_EQ(beside(), 0);
}
