// Hostile input against the built programs, one row per kind: each is refused with its reason
// (nothing sent, no output touched) or read as it should be, and memory stays bounded.
#include "CtlRun.h"
#include "table/TableFormats.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

using namespace e2e;
namespace fs = std::filesystem;

namespace {

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

constexpr const char* kNames = "Time,RPM,MAP,Boost,Temp,AFR1,AFR2,MAF,PressureIndex,RpmIndex,VE\n";

// A warm steady row at cell (5, 5) of tvxsim's lattice, 1400 RPM and 15 PSI absolute.
std::string Row(int k, const std::string& ve, const std::string& map = "15",
                const std::string& rpm = "1400") {
    return std::to_string(k * 0.02) + "," + rpm + "," + map + ",0.3,180,14.7,14.7,2,5,5," + ve +
           "\n";
}

// n rows of the cell's value, row k made by `row` when it gives one.
std::string Drive(int n, const std::string& ve,
                  const std::function<std::string(int)>& row = nullptr) {
    std::string text = kNames;
    for (int k = 0; k < n; ++k) {
        const std::string special = row ? row(k) : "";
        text += special.empty() ? Row(k, ve) : special;
    }
    return text;
}

Result RunProgram(const char* program, const std::string& dir,
                  const std::vector<std::string>& args) {
    QProcess process;
    process.setWorkingDirectory(QString::fromStdString(dir));
    QStringList list;
    for (const std::string& arg : args) {
        list << QString::fromStdString(arg);
    }
    process.start(program, list);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

} // namespace

TEST(Hostile, everyHostileInputIsRefusedWithItsReasonOrReadAsItShouldBe) {
    TvxSim sim;
    ASSERT_EQ(Ctl(sim, {"get", "-o", "dev.json", "--com", "3"}).exit, 0);
    const TableFile device = *Read(sim.file("dev.json"));
    const std::string ve = std::to_string(device.table[CellIndex(5, 5)]);
    const auto variant = [&](const char* name, const std::function<void(TableFile&)>& change) {
        TableFile file = device;
        change(file);
        ASSERT_TRUE(std::holds_alternative<std::monostate>(WriteTableFile(sim.file(name), file)));
    };
    variant("reversed.csv", [](TableFile& f) { // rows from 6500 RPM down
        const VeTable d = f.table;
        for (int r = 0; r < kLatticeSize; ++r) {
            f.table[kRpmBase + r] = d[kRpmBase + kLatticeSize - 1 - r];
            for (int p = 0; p < kLatticeSize; ++p) {
                f.table[CellIndex(p, r)] = d[CellIndex(p, kLatticeSize - 1 - r)];
            }
        }
    });
    variant("other.json", [](TableFile& f) { f.table[kPressureBase + 19] = 44; });
    variant("zero.json", [](TableFile& f) { f.table[7] = 0; });
    variant("intake9.json", [](TableFile& f) { f.intakeType = 9; });
    variant("falling.json", [](TableFile& f) { f.table[kRpmBase + 3] = f.table[kRpmBase + 2]; });
    Write(sim.file("zero.vet"), std::string(kCellCount, '\0'));
    Write(sim.file("escape.json"), R"({"\u001b]0;owned\u0007": 1})");
    Write(sim.file("drive.csv"), Drive(100, ve));
    Write(sim.file("kept.msl"), "a drive worth keeping");
    Write(sim.file("old.json"), "the last suggestion");
    Write(sim.file("plain.txt"), "not a serial device");
    // 2 GB, nearly all of it a hole: the names and units, then NUL bytes.
    std::string names = std::string(kNames) + "s,RPM,PSI,PSI,F,AFR,AFR,V,index,index,raw\n";
    std::replace(names.begin(), names.end(), ',', '\t');
    Write(sim.file("huge.msl"), "\"Torvex v1.7\"\n" + names);
    fs::resize_file(sim.file("huge.msl"), std::uintmax_t{2} << 30);
    Write(sim.file("longline.csv"), kNames + std::string(40 << 20, '7') + "\n");
    ASSERT_EQ(::mkfifo(sim.file("fifo.vet").c_str(), 0600), 0);
    fs::create_directories(sim.file("folder.msl"));
    Write(sim.file("bom.csv"), "\xEF\xBB\xBF" + Drive(100, ve));
    std::string utf16 = "\xFF\xFE";
    for (const char c : std::string(kNames)) {
        utf16 += std::string{c, '\0'};
    }
    Write(sim.file("utf16.csv"), utf16);
    Write(sim.file("nul.csv"), Drive(100, ve) + std::string("0.1,\0,3\n", 8));
    const std::string noNewline = Drive(100, ve);
    Write(sim.file("nonewline.csv"), noNewline.substr(0, noNewline.size() - 1));
    std::string noUnits = "\"Torvex v1.7\"\n\"Capture Date: today\"\n" + Drive(100, ve);
    std::replace(noUnits.begin(), noUnits.end(), ',', '\t');
    Write(sim.file("nounits.msl"), noUnits);
    Write(sim.file("twice.csv"), "Time,RPM,MAP,Temp,AFR1,AFR2,PressureIndex,RpmIndex,VE,RPM\n");
    Write(sim.file("impossible.csv"), Drive(100, ve, [&ve](int k) {
              return k % 4 == 1   ? Row(k, ve, "-5")
                     : k % 4 == 2 ? Row(k, ve, "15", "1e308")
                     : k % 4 == 3 ? Row(k, "1e308")
                                  : "";
          }));
    Write(sim.file("another.csv"), Drive(100, std::to_string(device.table[CellIndex(5, 5)] + 3)));
    Write(sim.file("changed.csv"), Drive(100, ve, [&](int k) {
              return k >= 60 ? Row(k, std::to_string(device.table[CellIndex(5, 5)] + 3)) : "";
          }));
    fs::create_symlink("/dev/full", sim.file("full.msl"));
    fs::create_symlink("/dev/zero", sim.file("zero.msl"));

    const std::string all = " --lag 0 --min-temp off --transient off"; // every row counts
    const struct {
        std::string line; // tvxctl's or tvxsim's command line, split at blanks
        int exit;
        std::string said;        // in stderr
        std::string untouched{}; // a file that keeps its bytes
    } cases[] = {
        // Tables that do not fit the device.
        {"tvxctl put reversed.csv --com 3", 2,
         "the file's RPM breakpoint 1 is 6500 RPM, the device's is 400 RPM"},
        {"tvxctl verify other.json --com 3", 2,
         "the file's pressure breakpoint 20 is 44 PSI absolute, the device's is 43 PSI absolute"},
        {"tvxctl diff dev.json reversed.csv", 1, "The files' breakpoints differ"},
        {"tvxctl put zero.json --com 3", 2, "RPM index 7 holds 0; a VE is 1 to 32767"},
        {"tvxctl put zero.vet --com 3", 2, "RPM index 0 holds 0; a VE is 1 to 32767"},
        {"tvxctl set 0 0 0 --com 3", 2, "VALUE 0 is no VE"},
        {"tvxctl put intake9.json --com 3", 2, "its intake type 9 is none the device has"},
        {"tvxctl analyze drive.csv --table falling.json", 2,
         "the file's RPM breakpoints do not rise: breakpoint 4"},
        {"tvxsim --link tty --true-ve reversed.csv", 2, "breakpoint 1 is 6500 RPM"},
        // Nothing kept is overwritten.
        {"tvxctl log -o kept.msl --com 3", 2, "kept.msl is there already", "kept.msl"},
        {"tvxctl analyze drive.csv --table dev.json --report drive.csv", 2,
         "--report drive.csv is a file analyze reads", "drive.csv"},
        {"tvxctl analyze drive.csv --table dev.json --cells ./dev.json", 2,
         "--cells ./dev.json is a file analyze reads", "dev.json"},
        {"tvxctl analyze drive.csv --table dev.json -o old.json --cells old.json", 2,
         "--cells old.json is also -o", "old.json"},
        {"tvxctl analyze another.csv --table dev.json -o old.json", 2, "nothing written",
         "old.json"},
        // Every input read whole and bounded.
        {"tvxctl analyze huge.msl --table dev.json -o old.json", 2, "log line 4 holds a NUL byte",
         "old.json"},
        {"tvxsim --link tty --replay huge.msl", 2, "log line 4 holds a NUL byte"},
        {"tvxctl analyze longline.csv --table dev.json", 2, "line 2 is longer than 64 KiB"},
        {"tvxsim --link tty --replay zero.msl", 2, "zero.msl is a device, not a file"},
        {"tvxctl convert fifo.vet out.json", 2, "fifo.vet is a FIFO, not a file"},
        {"tvxctl analyze folder.msl --table dev.json", 2, "folder.msl is a directory"},
        {"tvxctl analyze bom.csv --table dev.json" + all, 0, "97 records used"},
        {"tvxctl analyze utf16.csv --table dev.json", 2, "it is UTF-16 text"},
        {"tvxctl analyze nul.csv --table dev.json", 2, "log line 102 holds a NUL byte"},
        {"tvxctl analyze nonewline.csv --table dev.json" + all, 0, "97 records used"},
        {"tvxctl analyze nounits.msl --table dev.json" + all, 0, "97 records used"},
        {"tvxctl analyze twice.csv --table dev.json", 2, "log has the channel RPM twice"},
        {"tvxctl analyze impossible.csv --table dev.json" + all, 0, "75 impossible"},
        // Messages a terminal can show, saying what happened.
        {"tvxctl convert escape.json out.csv", 2, "\"\\x1b]0;owned\\x07\""},
        {"tvxctl analyze another.csv --table dev.json", 2,
         "another.csv: recorded against another table (line 2: the cell at pressure index 5"},
        {"tvxctl analyze changed.csv --table dev.json", 2,
         "changed.csv: the table changed during the drive at line 62: "},
        {"tvxctl get --port plain.txt", 2, "plain.txt is a regular file, not a serial device"},
        {"tvxctl log --seconds 1 -o full.msl --force --com 3", 2,
         "No space left on device; the file holds 0 records"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        std::vector<std::string> args;
        std::istringstream words(c.line);
        for (std::string word; words >> word;) {
            args.push_back(word);
        }
        const std::string before = c.untouched.empty() ? "" : Bytes(sim.file(c.untouched));
        const std::string program = args.front();
        args.erase(args.begin());
        const Result r =
            program == "tvxctl" ? Ctl(sim, args) : RunProgram(TVXSIM_PATH, sim.file(""), args);
        EXPECT_EQ(r.exit, c.exit) << r.err;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << "raw ESC on the terminal";
        if (!c.untouched.empty()) {
            EXPECT_EQ(Bytes(sim.file(c.untouched)), before) << c.untouched;
        }
    }
    for (const std::string& line : sim.log("received")) {
        EXPECT_FALSE(line.starts_with("<234")) << "a refused table reached the device";
    }
    EXPECT_FALSE(fs::exists(sim.file("out.json")));
#ifndef __SANITIZE_ADDRESS__
    // Checked in the plain build only: AddressSanitizer keeps freed memory resident in its
    // quarantine, so there the peak says more of the sanitizer than of the programs.
    rusage children{};
    ASSERT_EQ(::getrusage(RUSAGE_CHILDREN, &children), 0);
    EXPECT_LT(children.ru_maxrss, 200 * 1024) << "KiB at the peak, of the largest run";
#endif
}
