// Hostile input against the built programs, one row per kind: each is refused with its reason
// (nothing sent, no output touched) or read as it should be, and memory stays bounded.
#include "CtlRun.h"
#include "datalog/DriveTable.h"
#include "table/TableFormats.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>
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

// What a case's program meets besides its command line.
enum class Meets {
    Plain,
    NoHome, // HOME unset
    NoRoom, // not a byte more may be written (a full disk, as the file size limit gives it)
};

Result RunProgram(const char* program, const std::string& dir, const std::vector<std::string>& args,
                  Meets meets = Meets::Plain,
                  const QProcessEnvironment& base = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setWorkingDirectory(QString::fromStdString(dir));
    QProcessEnvironment env = base;
    env.insert("QT_QPA_PLATFORM", "offscreen");
    if (meets == Meets::NoHome) {
        env.remove("HOME");
    }
    process.setProcessEnvironment(env);
    if (meets == Meets::NoRoom) {
        process.setChildProcessModifier([] {
            // A write past the limit then fails as on a full disk; a kilobyte leaves room for the
            // serial port's lock file and a log's header, not for its rows.
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit little{1024, 1024};
            ::setrlimit(RLIMIT_FSIZE, &little);
        });
    }
    QStringList list;
    for (const std::string& arg : args) {
        list << QString::fromStdString(arg);
    }
    process.start(program, list);
    if (!process.waitForFinished(60000)) {
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
    fs::create_symlink("/dev/zero", sim.file("zero.msl"));
    // A kept table for drive.csv's rows, as a recording would leave beside it.
    const auto keep = [&](const std::string& log, const TableFile& table,
                          std::vector<CellWrite> writes = {}) {
        Write(sim.file(log), Drive(100, std::to_string(table.table[CellIndex(5, 5)])));
        Write(sim.file(DriveTablePath(log)),
              DriveTableText({table, "2026-12-08 10:00:00", std::move(writes), std::nullopt}));
    };
    TableFile shifted = device, veZero = device, high = device, top = device;
    for (int r = 0; r < kLatticeSize; ++r) {
        ++shifted.table[kRpmBase + r]; // 100 RPM up
    }
    veZero.table[7] = 0;
    high.table[CellIndex(5, 5)] = 250;
    top.table[CellIndex(5, 5)] = 32767;
    keep("shifted.csv", shifted);
    keep("vezero.csv", veZero);
    std::vector<CellWrite> many; // 60,000 writes: over a megabyte, as hours of tuning leave
    for (int k = 0; k < 60000; ++k) {
        many.push_back({k * 0.001, kCellCount - 1, device.table[kCellCount - 1]});
    }
    keep("tuned.csv", device, many);
    keep("deep.csv", device);
    std::string deep = "{\"table\": "; // 240 KB nested 120,000 deep, no line over 64 KiB
    for (int k = 0; k < 120; ++k) {
        deep += std::string(1000, '[') + "\n";
    }
    for (int k = 0; k < 120; ++k) {
        deep += std::string(1000, ']') + "\n";
    }
    Write(sim.file("deep.table.json"), deep + ", \"writes\": []}");
    keep("loop.csv", device);
    fs::remove(sim.file("loop.table.json"));
    fs::create_symlink("loop.table.json", sim.file("loop.table.json"));
    // 10% lean at the cell: a table of 250 there wants 275, of 32767 more than it can hold.
    const auto lean = [](const TableFile& t) {
        return Drive(100, std::to_string(t.table[CellIndex(5, 5)]), [&t](int k) {
            std::string row = Row(k, std::to_string(t.table[CellIndex(5, 5)]));
            const std::size_t afr = row.find(",14.7,14.7,");
            return row.replace(afr, 11, ",16.17,16.17,");
        });
    };
    variant("high.json", [](TableFile& f) { f.table[CellIndex(5, 5)] = 250; });
    variant("big.json", [](TableFile& f) { f.table[CellIndex(5, 5)] = 300; });
    variant("top.json", [](TableFile& f) { f.table[CellIndex(5, 5)] = 32767; });
    Write(sim.file("lean250.csv"), lean(high));
    Write(sim.file("lean32767.csv"), lean(top));
    Write(sim.file("tune.vet"), std::string(kCellCount, '\x07'));
    // A row cut inside its last field, as a disk that filled while recording leaves it.
    const std::string full = Drive(100, ve) + Row(100, ve);
    Write(sim.file("cut.csv"), full.substr(0, full.size() - 2));
    Write(sim.file("run1.table.json"), "the table of an earlier run1.msl");
    Write(sim.file("victim.json"), "a file a link points to");
    fs::create_symlink("victim.json", sim.file("linked.table.json"));
    Write(sim.file("c.csv"), "the last cells");
    Write(sim.file("x.csv"), "the last suggestion");
    // 400 two-row logs whose clocks span a day each.
    std::string manyLogs;
    for (int n = 0; n < 400; ++n) {
        const std::string name = "day" + std::to_string(n) + ".csv";
        Write(sim.file(name), Drive(2, ve, [&ve](int k) {
                  std::string row = Row(k, ve);
                  return k == 1 ? "86400" + row.substr(row.find(',')) : row;
              }));
        manyLogs += " " + name;
    }

    const std::string all = " --lag 0 --min-temp off --transient off"; // every row counts
    const struct {
        std::string line; // tvxctl's, tvxsim's or TVXv17's command line, split at blanks
        int exit;
        std::string said;        // in stderr
        std::string untouched{}; // a file that keeps its bytes
        Meets meets = Meets::Plain;
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
        // A table kept beside a log is checked as --table is, and against its log.
        {"tvxctl analyze deep.csv", 2, "deep.table.json: it nests deeper than 3"},
        {"tvxctl analyze vezero.csv", 2,
         "vezero.table.json: its table: the cell at pressure "
         "index 0, RPM index 7 holds 0; a VE is 1 to 32767"},
        {"tvxctl analyze shifted.csv", 2,
         "shifted.csv: recorded on other breakpoints than the table's (line 2: the log puts "
         "1400 RPM at RPM index 5, the table's breakpoints at 4)"},
        {"tvxctl analyze loop.csv", 2, "Too many levels of symbolic links"},
        {"tvxctl analyze tuned.csv" + all, 0, "97 records used"},
        {"tvxctl analyze drive.csv ./drive.csv --table dev.json", 2,
         "drive.csv and ./drive.csv are one log: give each log once"},
        // A .vet is sent as it is: one that cannot hold the table is not written.
        {"tvxctl analyze lean250.csv --table high.json -o tune.vet" + all, 2,
         "Cannot write tune.vet: the cell at pressure index 5, RPM index 5 holds 27", "tune.vet"},
        {"tvxctl convert big.json tune.vet", 2, "holds 300; a .vet holds 0 to 255", "tune.vet"},
        {"tvxctl analyze lean32767.csv --table top.json" + all, 0, "1 at the device's limit"},
        // Nothing kept is overwritten, nor written through a link.
        {"tvxctl log -o kept.msl --com 3", 2, "kept.msl is there already", "kept.msl"},
        {"tvxctl log -o run1.msl --com 3", 2, "run1.table.json is there already",
         "run1.table.json"},
        {"tvxctl log --seconds 1 -o linked.msl --force --com 3", 0, "Recording stopped",
         "victim.json"},
        {"tvxctl analyze drive.csv --table dev.json --report drive.csv", 2,
         "--report drive.csv is a file analyze reads", "drive.csv"},
        {"tvxctl analyze drive.csv --table dev.json --cells ./dev.json", 2,
         "--cells ./dev.json is a file analyze reads", "dev.json"},
        {"tvxctl analyze drive.csv --table dev.json -o old.json --cells old.json", 2,
         "--cells old.json is also -o", "old.json"},
        {"tvxctl analyze another.csv --table dev.json -o old.json", 2, "nothing written",
         "old.json"},
        {"tvxctl analyze drive.csv --table dev.json --cells c.csv --report /dev/full -o x.csv" +
             all,
         2, "No space left on device", "c.csv"},
        {"tvxctl log --seconds 1 -o full.msl --com 3", 2,
         "File too large; no record was written, so nothing was kept", "", Meets::NoRoom},
        {"tvxctl put dev.json --com 3", 2, "there is no home folder (HOME is not set)", "",
         Meets::NoHome},
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
        {"tvxsim --link tty --replay utf16.csv", 2, "the log: it is UTF-16 text"},
        {"tvxctl analyze nul.csv --table dev.json", 2, "log line 102 holds a NUL byte"},
        {"tvxctl analyze nonewline.csv --table dev.json" + all, 0, "96 records used"},
        {"tvxctl analyze cut.csv --table dev.json" + all, 0,
         "97 records used; 4 records left "
         "out: 3 without a point lag before, "
         "1 cut short"},
        {"tvxctl analyze nounits.msl --table dev.json" + all, 0, "97 records used"},
        {"tvxctl analyze twice.csv --table dev.json", 2, "log has the channel RPM twice"},
        {"tvxctl analyze impossible.csv --table dev.json" + all, 0, "75 impossible"},
        {"tvxctl analyze" + manyLogs + " --table dev.json", 2, "No record accepted"},
        // Messages a terminal can show, saying what happened.
        {"tvxctl convert escape.json out.csv", 2, "\"\\x1b]0;owned\\x07\""},
        {"TVXv17 --tune-apply \x1b]0;x\x07", 1,
         "--tune-apply takes off or whole seconds, 10 to "
         "3600, not '\\x1b]0;x\\x07'"},
        {"sh exec \"$TVXV17\" --record \"$(printf '\\377.txt')\"", 1, // bytes that are no UTF-8
         "Not recording: \\xff.txt must end in .msl, .csv or .mlg"},
        {"tvxctl analyze another.csv --table dev.json", 2,
         "another.csv: recorded against another table (line 2: the cell at pressure index 5"},
        {"tvxctl analyze changed.csv --table dev.json", 2,
         "changed.csv: the table changed during the drive at line 62: "},
        {"tvxctl get --port plain.txt", 2, "plain.txt is a regular file, not a serial device"},
        {"tvxctl analyze drive.csv --table dev.json --lag 5000", 2,
         "--lag takes auto, MS or MS,FLOW_MS (milliseconds, 0 to 2000 each), not '5000'"},
        {"tvxctl analyze drive.csv --table dev.json --lag -0", 0, "wideband lag: 0 ms + 0 ms"},
        {"tvxctl analyze drive.csv --table dev.json --lag 1,000", 0,
         "--lag 1,000 is read as MS,FLOW_MS: 1 ms, and 0 ms more at 1000 RPM and atmosphere"},
        {"tvxsim --link tty --replay drive.csv --speed 1e-10", 2, "a factor, 0.001 to 1000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        std::vector<std::string> args;
        std::istringstream words(c.line);
        for (std::string word; words >> word;) {
            args.push_back(word);
        }
        if (args.front() == "sh") { // a shell's line, for what a program's arguments cannot carry
            args = {"sh", "-c", c.line.substr(3)};
        }
        const std::string before = c.untouched.empty() ? "" : Bytes(sim.file(c.untouched));
        const std::string program = args.front();
        args.erase(args.begin());
        const char* path = program == "tvxctl"   ? TVXCTL_PATH
                           : program == "tvxsim" ? TVXSIM_PATH
                           : program == "sh"     ? "/bin/sh"
                                                 : TVXV17_PATH;
        QProcessEnvironment env = CtlEnvironment(sim);
        env.insert("TVXV17", TVXV17_PATH);
        const Result r = RunProgram(path, sim.file(""), args, c.meets, env);
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
    EXPECT_FALSE(fs::exists(sim.file("full.msl"))); // a log without a record is not kept
    EXPECT_FALSE(fs::exists(sim.file("x.csv.saving")));
    for (const auto& entry : fs::directory_iterator(sim.file(""))) {
        EXPECT_EQ(entry.path().string().find(".saving-"), std::string::npos) << entry.path();
    }
    EXPECT_FALSE(fs::is_symlink(sim.file("linked.table.json"))); // replaced, not followed
#ifndef __SANITIZE_ADDRESS__
    // Checked in the plain build only: AddressSanitizer keeps freed memory resident in its
    // quarantine, so there the peak says more of the sanitizer than of the programs.
    rusage children{};
    ASSERT_EQ(::getrusage(RUSAGE_CHILDREN, &children), 0);
    EXPECT_LT(children.ru_maxrss, 200 * 1024) << "KiB at the peak, of the largest run";
#endif
}
