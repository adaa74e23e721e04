// The datalog: its two layouts, reading them back, and a recorder that writes on time, on stop,
// and stops cleanly when the file fails.
#include "Fakes.h"
#include "datalog/DriveTable.h"
#include "datalog/LogChannels.h"
#include "datalog/LogReader.h"
#include "datalog/Recorder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>

namespace {

const LoggedRecord kEntry{{14.7, 2250.5f, 98.6f, 14.25f, 2.5, 12.8f}, 0.03f, {3, 7}, 142, false};

class FakeClock : public LogClock {
public:
    std::int64_t nowMs() const override { return now; }
    std::string localDateTime() const override { return "2026-12-07 06:30:12"; }
    std::int64_t now = 10000;
};

class FakeLogFile : public LogFile {
public:
    std::optional<std::string> open(const std::string& path, bool replace) override {
        opened = path;
        replaced = replace;
        return openError;
    }
    std::optional<std::string> append(std::string_view text) override {
        if (appendError) {
            return appendError;
        }
        written += text;
        ++appends;
        return std::nullopt;
    }
    void close() override { closed = true; }
    std::optional<std::string> keep(const std::string& path, const std::string& text,
                                    bool fresh) override {
        if (fresh && taken(path)) {
            return "File exists";
        }
        kept[path] = text;
        return std::nullopt;
    }
    void remove(const std::string& path) override {
        removed.push_back(path);
        kept.erase(path);
    }
    bool taken(const std::string& path) const override {
        return kept.contains(path) || there.contains(path);
    }
    std::map<std::string, std::string> kept;
    std::set<std::string> there; // files the drive would be recorded over
    std::vector<std::string> removed;
    bool replaced = false;
    std::string opened;
    std::string written;
    int appends = 0;
    bool closed = false;
    std::optional<std::string> openError;
    std::optional<std::string> appendError;
};

// A table a drive may be recorded against: rising breakpoints, every cell 100.
TableFile DeviceTable(std::int16_t intakeType) {
    TableFile file{{}, true, intakeType};
    std::fill(file.table.begin(), file.table.begin() + kCellCount, 100);
    for (int k = 0; k < kLatticeSize; ++k) {
        file.table[kRpmBase + k] = static_cast<std::int16_t>(4 + 2 * k);
        file.table[kPressureBase + k] = static_cast<std::int16_t>(5 + 2 * k);
    }
    return file;
}

struct Rig {
    FakeClock clock;
    FakeLogFile file;
    FakeStatus status;
    Recorder recorder{file, clock, status, "Torvex v1.7"};
};

} // namespace

TEST(LogFormat, bothLayoutsWriteTheSignatureNamesUnitsAndRowsAsDecoded) {
    const struct {
        const char* path;
        bool hertz;
        std::int64_t sinceStartMs;
        const char* text;
    } cases[] = {
        {"drive.msl", false, 1234,
         "\"Torvex v1.7\"\n\"Capture Date: 2026-12-07 06:30:12\"\n"
         "Time\tRPM\tMAP\tBoost\tTemp\tAFR1\tAFR2\tMAF\tPressureIndex\tRpmIndex\tVE\n"
         "s\tRPM\tPSI\tPSI\tF\tAFR\tAFR\tV\tindex\tindex\traw\n"
         "1.234\t2250.5\t14.7\t0.03\t98.6\t14.25\t12.8\t2.5\t3\t7\t142\n"},
        {"DRIVE.CSV", true, 60005,
         "Time[s],RPM[RPM],MAP[PSI],Boost[PSI],Temp[F],AFR1[AFR],AFR2[AFR],MAF[Hz],"
         "PressureIndex[index],RpmIndex[index],VE[raw]\n"
         "60.005,2250.5,14.7,0.03,98.6,14.25,12.8,2.5,3,7,142\n"},
    };
    for (const auto& c : cases) {
        const std::optional<LogFormat> format = LogFormatOf(c.path);
        ASSERT_TRUE(format) << c.path;
        EXPECT_EQ(HeaderText(*format, {"Torvex v1.7", "2026-12-07 06:30:12", c.hertz}) +
                      RowText(*format, c.sinceStartMs, kEntry),
                  c.text);
    }
    for (const char* other : {"drive.txt", "drive", "logs.msl/drive", "drive.msl.bak"}) {
        EXPECT_FALSE(LogFormatOf(other)) << other;
    }
}

TEST(LogReader, readsWhatWasWrittenAndNoLastRowWithoutItsLineEnd) {
    for (const LogFormat format : {LogFormat::Msl, LogFormat::Csv}) {
        const std::string header = HeaderText(format, {"Torvex v1.2", "now", false});
        const std::string row = RowText(format, 1500, kEntry);
        const std::string whole = header + row + RowText(format, 2000, kEntry);
        const auto read = ReadLog(whole + row.substr(0, row.size() / 2), format);
        ASSERT_TRUE(std::holds_alternative<std::vector<LogSample>>(read));
        const auto& samples = std::get<std::vector<LogSample>>(read);
        ASSERT_EQ(samples.size(), 2u); // the half row a kill left is not one
        EXPECT_EQ(samples[1].timeS, 2.0);
        const std::array<double, 6> wire = {14.7, 2250.5, 98.6, 14.25, 2.5, 12.8};
        EXPECT_EQ(samples[0].fields, wire);
        // Cut in its last digit (142 as 14), a row still reads: only its missing end tells.
        const auto last = ReadLog(header + row + row.substr(0, row.size() - 2), format);
        EXPECT_EQ(std::get<std::vector<LogSample>>(last).size(), 1u);
    }
}

TEST(LogReader, aLogWithoutItsUnitsLineLosesNoRow) {
    const std::string names = "\"Torvex v1.7\"\nTime\tRPM\tMAP\tTemp\tAFR1\tAFR2\tMAF\n";
    const auto read = ReadLog(
        names + "0.5\t900\t5\t180\t14.7\t14.7\t1\n1\t900\t5\t180\t14.7\t14.7\t1\n", LogFormat::Msl);
    ASSERT_TRUE(std::holds_alternative<std::vector<LogSample>>(read));
    EXPECT_EQ(std::get<std::vector<LogSample>>(read).size(), 2u);
    EXPECT_EQ(std::get<std::vector<LogSample>>(read)[0].timeS, 0.5);
}

TEST(LogReader, refusesALogItCannotReplay) {
    const std::string csvHeader = HeaderText(LogFormat::Csv, {"", "", false});
    const std::string row = RowText(LogFormat::Csv, 0, kEntry);
    const struct {
        std::string text;
        const char* reason;
    } cases[] = {
        {"", "log has no channel names"},
        {"Time,RPM,MAP,Temp,AFR1,AFR2\n", "log has no MAF channel"},
        {"Time,RPM,MAP,Temp,AFR1,AFR2,MAF,RPM[rpm]\n", "log has the channel RPM twice"},
    };
    for (const auto& c : cases) {
        const auto read = ReadLog(c.text, LogFormat::Csv);
        ASSERT_TRUE(std::holds_alternative<std::string>(read)) << c.text;
        EXPECT_EQ(std::get<std::string>(read), c.reason);
    }
}

TEST(LogReader, aRowThatDoesNotReadIsLeftOutSaidWhereAndTheRestRead) {
    const std::string csvHeader = HeaderText(LogFormat::Csv, {"", "", false});
    const std::string row = RowText(LogFormat::Csv, 0, kEntry);
    const struct {
        std::string text;
        std::size_t rows;
        std::size_t skipped;
        const char* first;
    } cases[] = {
        {csvHeader + "0.1,2,3\n" + row, 1, 1, "log line 2: 3 fields where the names have 11"},
        {csvHeader + row + "0.1,x,3,4,5,6,7,8,9,10,11\n" + row + "1\n", 2, 2,
         "log line 3: RPM is not a number"},
        {csvHeader + row + row, 2, 0, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto rows = LogChannelsOf(c.text, LogFormat::Csv, {});
        std::size_t read = 0;
        while (rows->next()) {
            ++read;
        }
        EXPECT_FALSE(rows->fault());
        EXPECT_EQ(read, c.rows);
        EXPECT_EQ(rows->skipped(), c.skipped);
        EXPECT_EQ(rows->firstSkipped().value_or("none"), c.first ? c.first : "none");
        EXPECT_EQ(rows->names().size(), kLogChannels);
    }
}

TEST(Recorder, writesAtMostHalfASecondLateAndEverythingOnStop) {
    Rig r;
    ASSERT_TRUE(r.recorder.start("/logs/drive.csv", false));
    EXPECT_EQ(r.status.last(), "Recording to /logs/drive.csv");
    EXPECT_EQ(r.file.appends, 1); // the header at once
    r.clock.now += 100;
    r.recorder.add(kEntry);
    r.clock.now += Recorder::kFlushMs - 101;
    r.recorder.tick();
    EXPECT_EQ(r.file.appends, 1);
    r.clock.now += 1;
    r.recorder.tick();
    EXPECT_EQ(r.file.appends, 2);
    EXPECT_TRUE(r.file.written.ends_with("\n0.100,2250.5,14.7,0.03,98.6,14.25,12.8,2.5,3,7,142\n"));
    r.clock.now += 10;
    r.recorder.add(kEntry);
    r.recorder.stop();
    EXPECT_EQ(r.file.appends, 3);
    EXPECT_TRUE(r.file.closed);
    EXPECT_EQ(r.status.last(), "Recording stopped: 2 records in /logs/drive.csv");
    r.recorder.add(kEntry);
    EXPECT_EQ(r.file.appends, 3);
}

TEST(Recorder, aBinaryLogHoldsWhatTheTextLogShowsAndSaysWhatItRounded) {
    LoggedRecord whole = kEntry;
    whole.record.rpm = 2250; // the device's RPM is whole: kEntry's half is rounded
    std::map<std::string, std::string> written;
    std::string stopped;
    for (const char* path : {"drive.msl", "drive.mlg"}) {
        Rig r;
        ASSERT_TRUE(r.recorder.start(path, false));
        for (int k = 0; k < 3; ++k) {
            r.clock.now += 20;
            r.recorder.add(k == 1 ? kEntry : whole);
        }
        r.recorder.stop();
        written[path] = r.file.written;
        stopped = r.status.last();
    }
    EXPECT_EQ(stopped, "Recording stopped: 3 records in drive.mlg (1 value kept with fewer "
                       "digits than the device sent)");
    const auto text = LogChannelsOf(written["drive.msl"], LogFormat::Msl, {});
    const auto binary = LogChannelsOf(written["drive.mlg"], LogFormat::Mlg, {});
    EXPECT_EQ(binary->names(), text->names());
    EXPECT_EQ(binary->units(7), "V");
    for (int k = 0; k < 3; ++k) {
        const auto a = text->next();
        const auto b = binary->next();
        ASSERT_TRUE(a && b);
        std::vector<double> expected(a->begin(), a->end());
        if (k == 1) {
            expected[1] = 2251; // 2250.5 to the nearest whole RPM, a half away from 0
        }
        EXPECT_EQ(std::vector<double>(b->begin(), b->end()), expected) << k;
    }
    EXPECT_FALSE(binary->next());
    EXPECT_FALSE(binary->fault());
}

TEST(Recorder, theDriveToViewIsTheOneRecordingElseTheLastThatKeptARecord) {
    Rig r;
    EXPECT_FALSE(r.recorder.lastDrive());
    ASSERT_TRUE(r.recorder.start("a.msl", false));
    EXPECT_EQ(r.recorder.lastDrive(), "a.msl");
    r.recorder.add(kEntry);
    r.recorder.stop();
    EXPECT_EQ(r.recorder.lastDrive(), "a.msl");
    ASSERT_TRUE(r.recorder.start("b.msl", false));
    EXPECT_EQ(r.recorder.lastDrive(), "b.msl");
    r.recorder.stop(); // no record: b.msl is not kept
    EXPECT_EQ(r.recorder.lastDrive(), "a.msl");
}

TEST(Recorder, withFirstRecordBeginsThenInThatRecordsAirflowUnit) {
    Rig r;
    r.recorder.startWithFirstRecord("drive.msl");
    EXPECT_TRUE(r.file.opened.empty());
    LoggedRecord hertz = kEntry;
    hertz.airflowInHertz = true;
    r.clock.now += 5000; // times count from the first record, not from the command line
    r.recorder.add(hertz);
    r.recorder.stop();
    EXPECT_EQ(r.file.opened, "drive.msl");
    EXPECT_NE(r.file.written.find("\tHz\t"), std::string::npos);
    EXPECT_NE(r.file.written.find("\n0.000\t"), std::string::npos);
}

TEST(Recorder, neverRecordsOverADriveUnlessToldToReplaceItOnceARecordIsIn) {
    for (const char* there : {"drive.msl", "drive.table.json"}) {
        Rig r;
        r.file.there.insert(there);
        EXPECT_FALSE(r.recorder.start("drive.msl", false));
        EXPECT_TRUE(r.file.opened.empty()) << there;
        EXPECT_EQ(r.status.last(), std::string("Not recording: ") + there +
                                       " is there already; give --force to replace the drive "
                                       "once the first record arrives");
        r.recorder.startWithFirstRecord("drive.msl");
        r.recorder.add(kEntry);
        EXPECT_TRUE(r.file.opened.empty()) << there;
    }
    Rig r;
    r.file.there = {"drive.msl", "drive.table.json"};
    r.recorder.setTableSource([] { return DeviceTable(1); });
    r.recorder.startWithFirstRecord("drive.msl", true);
    EXPECT_TRUE(r.file.opened.empty()); // nothing replaced until a record comes
    r.recorder.add(kEntry);
    EXPECT_EQ(r.file.opened, "drive.msl");
    EXPECT_TRUE(r.file.replaced);
    EXPECT_TRUE(r.file.kept.contains("drive.table.json"));
}

TEST(Recorder, aFailingFileStopsRecordingAndSaysWhy) {
    {
        Rig r;
        r.file.openError = "No such file or directory";
        EXPECT_FALSE(r.recorder.start("/gone/drive.msl", false));
        EXPECT_FALSE(r.recorder.recording());
        EXPECT_EQ(r.status.last(),
                  "Not recording: cannot create /gone/drive.msl: No such file or directory");
        EXPECT_FALSE(r.recorder.start("drive.txt", false));
        EXPECT_EQ(r.status.last(), "Not recording: drive.txt must end in .msl, .csv or .mlg");
    }
    Rig r;
    ASSERT_TRUE(r.recorder.start("drive.msl", false));
    r.recorder.add(kEntry);
    r.clock.now += Recorder::kFlushMs;
    r.recorder.add(kEntry);
    r.file.appendError = "No space left on device";
    r.clock.now += Recorder::kFlushMs;
    r.recorder.add(kEntry);
    EXPECT_FALSE(r.recorder.recording());
    EXPECT_TRUE(r.file.closed);
    EXPECT_EQ(r.status.last(),
              "Recording stopped: cannot write drive.msl: No space left on device; the file holds "
              "2 records");
    // A file that took no record is nothing worth keeping: it goes, with its table.
    Rig empty;
    empty.recorder.setTableSource([] { return DeviceTable(1); });
    ASSERT_TRUE(empty.recorder.start("drive.msl", false));
    empty.file.appendError = "No space left on device";
    empty.recorder.add(kEntry);
    empty.clock.now += Recorder::kFlushMs;
    empty.recorder.tick();
    EXPECT_EQ(empty.file.removed, (std::vector<std::string>{"drive.msl", "drive.table.json"}));
    EXPECT_EQ(empty.status.last(), "Recording stopped: cannot write drive.msl: No space left on "
                                   "device; no record was written, so nothing was kept");
}

TEST(StdioLogFilePosix, reportsTheSystemsReasonAndNeverWritesThroughALink) {
    StdioLogFile file;
    EXPECT_EQ(file.open("/nonexistent-folder/drive.msl", false), "No such file or directory");
    EXPECT_EQ(file.open(std::filesystem::temp_directory_path().string(), false), "File exists");
    const auto dir = std::filesystem::temp_directory_path() /
                     ("tvx-logfile-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir);
    const std::string target = (dir / "target").string(), link = (dir / "drive.msl").string();
    std::ofstream(target) << "kept";
    std::filesystem::create_symlink(target, link);
    std::filesystem::create_symlink(target, dir / "drive.table.json");
    EXPECT_EQ(file.open(link, false), "File exists");
    EXPECT_EQ(file.keep((dir / "drive.table.json").string(), "{}", true),
              "Cannot write " + (dir / "drive.table.json").string() + ": File exists");
    ASSERT_EQ(file.open(link, true), std::nullopt); // the link itself is replaced
    ASSERT_EQ(file.append("new"), std::nullopt);
    file.close();
    ASSERT_EQ(file.keep((dir / "drive.table.json").string(), "{}", false), std::nullopt);
    EXPECT_FALSE(std::filesystem::is_symlink(link));
    EXPECT_FALSE(std::filesystem::is_symlink(dir / "drive.table.json"));
    std::ifstream in(target);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "kept");
    std::filesystem::remove_all(dir);
}

TEST(Recorder, theTableAndEveryCellWriteMadeWhileRecordingAreKeptBesideTheLog) {
    Rig r;
    TableFile table = DeviceTable(2);
    r.recorder.setTableSource([&table] { return table; });
    ASSERT_TRUE(r.recorder.start("/logs/drive.msl", false));
    const auto kept = [&r] {
        return std::get<DriveTable>(ParseDriveTable(r.file.kept.at("/logs/drive.table.json")));
    };
    EXPECT_EQ(kept(), (DriveTable{table, "2026-12-07 06:30:12", {}, std::nullopt}));
    r.clock.now += 1500;
    r.recorder.cellWritten(5, 77);
    r.clock.now += Recorder::kFlushMs;
    r.recorder.cellWritten(5, 78);
    r.recorder.tick();
    EXPECT_EQ(kept().writes, (std::vector<CellWrite>{{1.5, 5, 77}, {2.0, 5, 78}}));
    r.recorder.add(kEntry);
    r.recorder.stop();
    r.recorder.cellWritten(6, 1); // not recording: nothing to keep it for
    EXPECT_EQ(kept().writes.size(), 2u);
}

TEST(Recorder, endsADriveWhoseKeptTableWouldOutgrowWhatAReaderReads) {
    Rig r;
    r.recorder.setTableSource([] { return DeviceTable(1); });
    ASSERT_TRUE(r.recorder.start("drive.msl", false));
    r.recorder.add(kEntry);
    r.clock.now += Recorder::kFlushMs;
    r.recorder.tick();
    for (int k = 0; k < 2'000'000; ++k) { // each some 20 bytes: more than 32 MiB in all
        r.recorder.cellWritten(k % kCellCount, 100);
    }
    r.clock.now += Recorder::kFlushMs;
    r.recorder.tick();
    EXPECT_FALSE(r.recorder.recording());
    // The log and its table stay as they last agreed: both read, as one drive.
    EXPECT_TRUE(
        std::holds_alternative<DriveTable>(ParseDriveTable(r.file.kept.at("drive.table.json"))));
    EXPECT_TRUE(r.status.last().starts_with("Recording stopped: the table kept beside drive.msl "
                                            "would outgrow 32 MiB: 2000000 cell writes"))
        << r.status.last();
}

TEST(DriveTable, readsBackWhatItWritesAndRefusesWhatNoRecorderWrites) {
    const std::string table = JsonText(DeviceTable(1));
    const auto with = [&table](const std::string& writes, const std::string& more = "") {
        return "{\"table\": " + table + ", \"writes\": " + writes + more + "}";
    };
    TableFile zero = DeviceTable(1), intake9 = DeviceTable(9);
    zero.table[7] = 0;
    const struct {
        std::string text;
        const char* refusal; // nullptr: read
    } cases[] = {
        {with("[[0.5, 3, 7], [0.5, 4, 2]]"), nullptr},
        {"{\"table\": " + table + "}", "it holds no \"table\" and \"writes\""},
        {"{\"table\": {\"cells\": [1]}, \"writes\": []}", "its table: \"cells\" has 1 values"},
        {"{\"table\": " + JsonText({}) + ", \"writes\": []}", "its table has no breakpoints"},
        // Checked as a table given by hand is: the drive was fuelled by it.
        {"{\"table\": " + JsonText(zero) + ", \"writes\": []}", "its table: the cell at"},
        {"{\"table\": " + JsonText(intake9) + ", \"writes\": []}", "its table: its intake type 9"},
        {with("[[1, 2]]"), "write 1 is not [time, cell, value]"},
        {with("[[1, 400, 2]]"), "write 1 is to cell 400, not 0 to 399"},
        {with("[[1, 3, 0]]"), "write 1 writes 0; a VE is 1 to 32767"},
        {with("[[1, 3, -32768]]"), "write 1 writes -32768"},
        {with("[[1e308, 3, 7]]"), "write 1 is at 1e+308 s, not within a drive"},
        {with("[[2, 1, 2], [1, 1, 2]]"), "write 2 is earlier than the write before it"},
        {with("[]", ", \"lag\": [60, 2001]"), "\"lag\" is not"},
        {with("[]", ", \"writes\": []"), "\"writes\" is given twice"},
        {"{\"table\": {\"cells\": [1], \"cells\": [2]}, \"writes\": []}",
         "\"cells\" is given twice"},
        {with("[" + std::string(120000, '[') + std::string(120000, ']') + "]"),
         "it nests deeper than 3"}, // refused before anything deep is built
    };
    for (const auto& c : cases) {
        const auto parsed = ParseDriveTable(c.text);
        const auto* why = std::get_if<std::string>(&parsed);
        EXPECT_EQ(why ? why->substr(0, std::strlen(c.refusal ? c.refusal : "")) : "read",
                  c.refusal ? c.refusal : "read");
    }
    DriveTable drive{DeviceTable(3),
                     "2026-12-08 10:00:00",
                     {{0.25, 12, 99}, {3.5, 399, 1}},
                     WidebandLag{60, 250}};
    EXPECT_EQ(std::get<DriveTable>(ParseDriveTable(DriveTableText(drive))), drive);
    const std::pair<const char*, const char*> paths[] = {
        {"/logs/drive.msl", "/logs/drive.table.json"},
        {"C:\\logs\\drive.csv", "C:\\logs\\drive.table.json"}, // as given, on every system
        {"/logs.d/drive", "/logs.d/drive.table.json"},
        {"drive.msl", "drive.table.json"},
    };
    for (const auto& [log, table] : paths) {
        EXPECT_EQ(DriveTablePath(log), table) << log;
    }
}
