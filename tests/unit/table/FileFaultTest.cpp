// Files that cannot be read or written as asked: each load or save says why on the status line,
// and a refused load leaves every cell as it was.
#include "Fakes.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

struct FileFaults : ::testing::Test {
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("tvx-faults-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        h.Connect();
        for (int k = 0; k < kTableSize; ++k) {
            h.form.veTable[k] = static_cast<std::int16_t>(1000 + k); // no file byte can be this
        }
        h.serial.log.clear();
        h.canvas.ops.clear();
    }
    void TearDown() override {
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir);
    }

    std::string Path(const char* name) const { return (dir / name).string(); }
    static std::string Bytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    void Load(const std::string& path) {
        h.status.lines.clear();
        h.dialogs.answers.push_back(path);
        h.form.mnuLoadVEfromfile_Click();
    }
    void Save(const std::string& path) {
        h.status.lines.clear();
        h.dialogs.answers.push_back(path);
        h.form.mnuSaveVEtofile_Click();
    }
    // A refused load: no cell, no message, no redraw, the download still pending, and a reason.
    void ExpectRefused(const std::string& path, const char* reason) {
        SCOPED_TRACE(path);
        Load(path);
        VeTable untouched{};
        for (int k = 0; k < kTableSize; ++k) {
            untouched[k] = static_cast<std::int16_t>(1000 + k);
        }
        EXPECT_EQ(h.form.veTable, untouched);
        EXPECT_TRUE(h.serial.log.empty());
        EXPECT_TRUE(h.canvas.ops.empty());
        EXPECT_EQ(h.form.awaitingTable, 1);
        ASSERT_EQ(h.status.lines.size(), 1u);
        EXPECT_NE(h.status.last().find(path), std::string::npos) << h.status.last();
        EXPECT_NE(h.status.last().find(reason), std::string::npos) << h.status.last();
    }
    void ExpectSaveFails(const std::string& path, const char* reason) {
        SCOPED_TRACE(path);
        Save(path);
        ASSERT_EQ(h.status.lines.size(), 1u);
        EXPECT_NE(h.status.last().find("Cannot write " + path), std::string::npos)
            << h.status.last();
        EXPECT_NE(h.status.last().find(reason), std::string::npos) << h.status.last();
        EXPECT_TRUE(h.serial.log.empty());
    }

    fs::path dir;
    CoreHarness h;
};

bool IsRoot() {
    return ::geteuid() == 0;
}

// Sets or clears the immutable attribute, which holds even against root; false where the file
// system or the capabilities do not allow it.
bool SetImmutable(const std::string& path, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        return false;
    }
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

} // namespace

TEST_F(FileFaults, filesThatCannotBeOpenedOrReadAreRefusedWhole) {
    Write(Path("empty.vet"), "");
    fs::create_symlink("loop.vet", Path("loop.vet"));
    Write(Path("plain"), std::string(400, '\x05'));

    ExpectRefused(Path("empty.vet"), "holds 0 of 400 bytes");
    ExpectRefused(Path("loop.vet"), "Too many levels of symbolic links");
    ExpectRefused(Path("plain") + "/t.vet", "Not a directory");
    // Opens, then every read fails: nothing of it reaches the table.
    ExpectRefused("/proc/self/mem", "Input/output error");
}

TEST_F(FileFaults, anUnreadableFileIsRefused) {
    const std::string file = Path("locked.vet");
    Write(file, std::string(400, '\x05'));
    fs::permissions(file, fs::perms::none);
    if (IsRoot()) {
        GTEST_SKIP() << "root reads a file whatever its mode; the read failure itself is "
                        "covered by /proc/self/mem";
    }
    ExpectRefused(file, "Permission denied");
}

TEST_F(FileFaults, aFileOfSeveralMegabytesLoadsItsFirst400BytesOnly) {
    const std::string file = Path("big.vet");
    std::string bytes(4 * 1024 * 1024, '\x11');
    bytes[0] = '\x01';
    bytes[399] = '\x02';
    Write(file, bytes);
    Load(file);
    EXPECT_EQ(h.form.veTable[0], 1);
    EXPECT_EQ(h.form.veTable[1], 17);
    EXPECT_EQ(h.form.veTable[399], 2);
    EXPECT_EQ(h.form.veTable[kRpmBase], 1000 + kRpmBase);
    EXPECT_EQ(h.serial.sent().size(), 400u);
    EXPECT_EQ(h.form.awaitingTable, 0);
    EXPECT_EQ(h.status.last(), "Loaded " + file + " and sent it to the device");
}

TEST_F(FileFaults, savingToAReadOnlyFileFailsAndLeavesItAsItWas) {
    const std::string file = Path("kept.vet");
    const std::string old(1000, '\x07');
    Write(file, old);
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    if (IsRoot()) {
        // Root writes past the mode bits; the immutable attribute stops it.
        if (!SetImmutable(file, true)) {
            GTEST_SKIP() << "running as root where the immutable attribute cannot be set";
        }
        ExpectSaveFails(file, "Operation not permitted");
        SetImmutable(file, false);
    } else {
        ExpectSaveFails(file, "Permission denied");
    }
    const std::string now = Bytes(file);
    EXPECT_TRUE(now == old) << std::count(now.begin(), now.end(), '\x09')
                            << " of the 400 bytes were overwritten";
}

TEST_F(FileFaults, savingWhereNoFileCanBeCreatedFailsAndCreatesNothing) {
    ExpectSaveFails(Path("missing") + "/t.vet", "No such file or directory");
    EXPECT_FALSE(fs::exists(Path("missing")));
    ExpectSaveFails(dir.string(), "Is a directory");
    Write(Path("plain"), "x");
    ExpectSaveFails(Path("plain") + "/t.vet", "Not a directory");
    EXPECT_EQ(Bytes(Path("plain")), "x");
}

// The file size limit stands in for a disk that fills up halfway through the write.
TEST_F(FileFaults, aSaveCutShortByTheFileSizeLimitLeavesTheOldFileWhole) {
    const std::string file = Path("half.vet");
    const std::string old(400, '\x07');
    Write(file, old);
    for (int k = 0; k < kCellCount; ++k) {
        h.form.veTable[k] = 9;
    }
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved;
    limit.rlim_cur = 200;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    Save(file);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_NE(h.status.last().find("File too large"), std::string::npos) << h.status.last();
    const std::string now = Bytes(file);
    EXPECT_TRUE(now == old) << std::count(now.begin(), now.end(), '\x09')
                            << " of the 400 bytes were overwritten";
}
