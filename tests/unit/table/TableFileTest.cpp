// .vet files through the File menu: what is written and sent, and every way a file can fail.
#include "Fakes.h"
#include "link/Protocol.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

struct Files : ::testing::Test {
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("tvx-files-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        h.Connect();
        for (int k = 0; k < kTableSize; ++k) {
            h.form.veTable[k] = static_cast<std::int16_t>(1000 + k); // no file byte can be this
        }
        untouched = h.form.veTable;
        h.serial.log.clear();
        h.canvas.ops.clear();
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Path(const char* name) const { return (dir / name).string(); }
    static std::string Bytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    void Load(const std::string& path) {
        h.dialogs.answers.push_back(path);
        h.form.mnuLoadVEfromfile_Click();
    }
    void Save(const std::string& path) {
        h.dialogs.answers.push_back(path);
        h.form.mnuSaveVEtofile_Click();
    }
    void ExpectStatus(const std::string& part) {
        EXPECT_NE(h.status.last().find(part), std::string::npos) << h.status.last();
    }

    fs::path dir;
    CoreHarness h;
    VeTable untouched{};
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

TEST_F(Files, saveWritesLowBytesAndLoadSendsEveryCellInOrderGivingTheSameBytesBack) {
    for (int i = 0; i < kCellCount; ++i) {
        h.form.veTable[i] = static_cast<std::int16_t>(i * 7 - 1000);
    }
    h.form.veTable[1] = -1;
    const std::string file = Path("t.vet");
    Save(file);
    const std::string bytes = Bytes(file);
    ASSERT_EQ(bytes.size(), 400u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), (-1000) & 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(bytes[399]), (399 * 7 - 1000) & 0xFF);
    EXPECT_TRUE(h.serial.log.empty());

    Load(file);
    const auto sent = h.serial.sent();
    ASSERT_EQ(sent.size(), 400u);
    for (int k = 0; k < kCellCount; ++k) {
        ASSERT_EQ(sent[k], CellWriteMessage(k, static_cast<unsigned char>(bytes[k])));
    }
    EXPECT_EQ(h.form.veTable[kRpmBase], 1000 + kRpmBase); // breakpoints stay
    EXPECT_EQ(h.form.awaitingTable, 0);
    EXPECT_EQ(h.canvas.of(CanvasOp::Refresh).size(), 1u);
    EXPECT_EQ(h.status.last(), "Loaded " + file + " and sent it to the device");
    // A table reply arriving after the load is not taken for the table.
    h.Receive(TableReplyText([](int) { return 77; }));
    EXPECT_NE(h.form.veTable[5], 77);

    Save(Path("again.vet"));
    EXPECT_EQ(Bytes(Path("again.vet")), bytes);
}

TEST_F(Files, aLongerFileKeepsItsTailOnSaveAndOnlyItsHeadIsLoaded) {
    const std::string file = Path("long.vet");
    Write(file, std::string(4 * 1024 * 1024, '\x07'));
    h.form.veTable[0] = 9;
    Save(file);
    const std::string bytes = Bytes(file);
    ASSERT_EQ(bytes.size(), 4u * 1024 * 1024);
    EXPECT_EQ(bytes[0], 9);
    EXPECT_EQ(bytes[400], 7);
    Load(file);
    EXPECT_EQ(h.serial.sent().size(), 400u);
    EXPECT_EQ(h.form.veTable[0], 9);
}

TEST_F(Files, filesThatCannotBeReadWholeAreRefusedAndChangeNothing) {
    Write(Path("short.vet"), std::string(399, '\x05'));
    Write(Path("empty.vet"), "");
    fs::create_directories(dir / "folder");
    fs::create_symlink("loop.vet", Path("loop.vet"));
    const std::pair<std::string, const char*> cases[] = {
        {Path("short.vet"), "holds 399 of 400 bytes"},
        {Path("empty.vet"), "holds 0 of 400 bytes"},
        {Path("missing.vet"), "No such file"},
        {Path("folder"), "Is a directory"},
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

TEST_F(Files, aTransmitFailureEndsTheLoadAtThatCell) {
    Write(Path("t.vet"), std::string(400, '\x09'));
    h.serial.failTransmitAfter = 2;
    Load(Path("t.vet"));
    EXPECT_EQ(h.serial.sent().size(), 2u);
    EXPECT_EQ(h.form.veTable[2], 9); // the failing cell keeps its new value
    EXPECT_EQ(h.form.veTable[3], untouched[3]);
    EXPECT_EQ(h.form.awaitingTable, 1);
    ExpectStatus("<234,2:9>");
}

TEST_F(Files, savesThatCannotBeDoneSaySoAndCreateNothing) {
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

TEST_F(Files, aReadOnlyFileIsLeftAsItWas) {
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
TEST_F(Files, aSaveCutShortLeavesTheOldFileWhole) {
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

TEST_F(Files, dialogsCarryTheirTitlesFilterAndRememberedNameAndCancelDoesNothing) {
    h.form.mnuLoadVEfromfile_Click();
    h.form.mnuSaveVEtofile_Click();
    EXPECT_TRUE(h.serial.log.empty());
    EXPECT_TRUE(fs::is_empty(dir));
    Save(Path("a.vet"));
    h.form.mnuLoadVEfromfile_Click();
    EXPECT_EQ(h.dialogs.saveRequests.back().fileName, ""); // a save always starts afresh
    EXPECT_EQ(h.dialogs.openRequests.back().fileName, Path("a.vet"));
    EXPECT_EQ(h.dialogs.openRequests.back().title, "Open VE File");
    EXPECT_EQ(h.dialogs.saveRequests.back().title, "Save VE File");
    EXPECT_EQ(h.dialogs.saveRequests.back().filter,
              "VE Table Files (*.vet)|*.vet|All Files (*.*)|*.*");
}
