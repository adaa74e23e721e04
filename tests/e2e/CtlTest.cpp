// tvxctl itself against tvxsim on a pseudo-terminal: every command, and the device's faults.
#include "CtlRun.h"
#include "datalog/LogReader.h"
#include "edit/BlockOperation.h"
#include "link/Protocol.h"
#include "model/WidebandDelay.h"
#include "table/CellChange.h"
#include "table/TableFormats.h"

#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

#include <fcntl.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>

using namespace e2e;

TEST(Ctl, everyCommandDoesItsWorkOnTheDeviceAndItsFiles) {
    TvxSim sim({"--intake", "2"});
    const auto device = [&sim] { return Sent(sim); };
    const std::string com = "--com";
    struct Step {
        std::vector<std::string> args;
        int exit;
        std::vector<std::string> received; // what tvxsim got, in order
        std::function<void(const Result&)> check;
    };
    std::vector<std::string> writes;
    for (int k = 0; k < kCellCount; ++k) {
        writes.push_back(CellWriteMessage(k, 1));
    }
    const auto withDownload = [](std::vector<std::string> messages) {
        messages.insert(messages.begin(), {"<201>", "<121>"});
        return messages;
    };
    const Step steps[] = {
        {{"ports"},
         0,
         {},
         [&](const Result& r) {
             EXPECT_NE(r.out.find("COM 3: " + sim.link() + "\n"), std::string::npos) << r.out;
         }},
        {{"get", com, "3"},
         0,
         {"<201>", "<121>"},
         [&](const Result& r) {
             const auto csv = ParseCsvTable(r.out);
             ASSERT_TRUE(std::holds_alternative<TableFile>(csv)) << r.out;
             const TableFile shown = std::get<TableFile>(csv);
             EXPECT_EQ(shown.table, device()->table);
         }},
        {{"get", "-o", "dev.json", "--port", sim.link()},
         0,
         {"<201>", "<121>"},
         [&](const Result&) { EXPECT_EQ(Read(sim.file("dev.json")), device()); }},
        {{"get", "-o", "dev.vet", com, "3"},
         0,
         {"<201>", "<121>"},
         [&](const Result&) {
             EXPECT_EQ(Read(sim.file("dev.vet"))->table[7], device()->table[7]);
         }},
        {{"set", "1", "2", "300", com, "3"}, 0, {"<234,22:300>"}, nullptr},
        {{"verify", "dev.json", com, "3"},
         1,
         {"<201>", "<121>"},
         [&](const Result& r) {
             const int was = Read(sim.file("dev.json"))->table[22];
             EXPECT_EQ(r.out, "1 2 " + std::to_string(was) + " 300\n");
         }},
        {{"put", "dev.json", "--changed-only", "--dry-run", com, "3"},
         0,
         {"<201>", "<121>"},
         [&](const Result& r) { EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1); }},
        {{"put", "dev.json", "--changed-only", com, "3"}, 0, {"<201>", "<121>", "*"}, nullptr},
        {{"verify", "dev.json", com, "3"},
         0,
         {"<201>", "<121>"},
         [&](const Result& r) { EXPECT_EQ(r.out, ""); }},
        {{"convert", "dev.vet", "zero.csv"},
         0,
         {},
         [&](const Result& r) {
             EXPECT_NE(r.err.find("No breakpoints to write"), std::string::npos) << r.err;
         }},
        {{"diff", "dev.json", "dev.vet"}, 0, {}, nullptr},
        {{"put", "ones.vet", com, "3"},
         0,
         withDownload(writes),
         [&](const Result& r) { // the table it replaced, kept first
             const std::string kept = KeptPath(r);
             EXPECT_TRUE(kept.starts_with(BackupFolder(sim) + "/")) << r.err;
             EXPECT_NE(kept.find("-before-put"), std::string::npos) << kept;
             EXPECT_EQ(Read(kept)->table, Read(sim.file("dev.json"))->table);
         }},
        {{"diff", "dev.json", "ones.vet"}, 1, {}, nullptr},
        {{"log", "--seconds", "1", "-o", "drive.csv", com, "3"},
         0,
         {"<201>", "<121>", "<255>", "<201>"},
         [&](const Result&) {
             std::ifstream in(sim.file("drive.csv"));
             const auto read =
                 ReadLog(std::string(std::istreambuf_iterator<char>(in), {}), LogFormat::Csv);
             const auto& rows = std::get<std::vector<LogSample>>(read);
             std::vector<std::string> records;
             for (const std::string& line : sim.log("sent")) {
                 if (line.starts_with("255,")) {
                     records.push_back(line);
                 }
             }
             ASSERT_GE(rows.size(), 20u);
             ASSERT_GE(records.size(), rows.size());
             for (std::size_t i = 0; i < rows.size(); ++i) { // every record, in order
                 EXPECT_EQ(static_cast<float>(rows[i].fields[1]),
                           std::get<LiveRecord>(ParseLiveRecord(records[i])).rpm);
             }
         }},
        {{"put", "dev.vet", "--dry-run"},
         0,
         {},
         [&](const Result& r) {
             EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), kCellCount);
         }},
    };
    std::ofstream(sim.file("ones.vet"), std::ios::binary) << std::string(kCellCount, '\1');
    std::size_t seen = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(::testing::PrintToString(step.args));
        const Result r = Ctl(sim, step.args);
        EXPECT_EQ(r.exit, step.exit) << r.err;
        const std::vector<std::string> received = Received(sim, seen + step.received.size());
        ASSERT_EQ(received.size() - seen, step.received.size());
        for (std::size_t i = 0; i < step.received.size(); ++i) {
            if (step.received[i] != "*") { // "*": the one cell the device lacks
                EXPECT_EQ(received[seen + i], step.received[i]);
            } else {
                EXPECT_TRUE(received[seen + i].starts_with("<234,22:")) << received[seen + i];
            }
        }
        seen = received.size();
        if (step.check) {
            step.check(r);
        }
    }
}

TEST(Ctl, aFaultyDeviceOrABadFileFailsAndWritesNothing) {
    const struct {
        std::vector<std::string> simOptions;
        std::vector<std::string> args;
        int exit;
        const char* said;
    } cases[] = {
        {{}, {"get", "-o", "t.json"}, 0, "Table received"},
        {{"--split", "byte", "--terminator", "crlf"}, {"get", "-o", "t.json"}, 0, "Table received"},
        {{"--rate", "max", "+stream"}, {"get", "-o", "t.json"}, 0, "Table received"},
        {{"--truncate-reply"}, {"get", "-o", "t.json"}, 2, "the device's table reply too short"},
        {{"--hangup-after", "reply"}, {"verify", "short.vet"}, 2, "holds 399 of 400 bytes"},
        {{"--hangup-after", "reply"}, {"get", "-o", "t.json"}, 2, "Port lost"},
        {{"--stall-after", "0"}, {"get", "-o", "t.json", "--timeout", "0.5"}, 2, "within 500 ms"},
        {{"--stall-after", "0"}, {"put", "short.vet"}, 2, "holds 399 of 400 bytes"},
        {{"--hangup-after", "5"}, {"log", "-o", "t.msl"}, 2, "the device hung up"},
        {{"--stall-after", "5"}, {"log", "-o", "t.msl", "--timeout", "0.5"}, 2, "within 500 ms"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.simOptions) + ::testing::PrintToString(c.args));
        std::vector<std::string> options = c.simOptions;
        const bool stream = std::erase(options, "+stream") > 0;
        TvxSim sim(options);
        std::ofstream(sim.file("short.vet"), std::ios::binary) << std::string(399, '\1');
        if (stream) { // a stream left running by someone else
            const int fd = ::open(sim.link().c_str(), O_WRONLY | O_NOCTTY);
            ASSERT_EQ(::write(fd, "<255>", 5), 5);
            ::close(fd);
            while (sim.log("sent").size() < 20) {
                ::usleep(10000);
            }
        }
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--com", "3"});
        const Result r = Ctl(sim, args);
        EXPECT_EQ(r.exit, c.exit);
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        EXPECT_EQ(Read(sim.file("t.json")), c.exit == 0 ? Sent(sim) : std::nullopt);
        if (c.args[0] == "put" || c.args[0] == "verify") {
            EXPECT_TRUE(sim.log("received").empty()) << "sent before the file was read";
        }
    }
}

TEST(Ctl, putSendsNothingWhenTheDevicesTableCannotBeKept) {
    TvxSim sim;
    std::filesystem::create_directories(sim.file("home/Documents"));
    std::ofstream(BackupFolder(sim)) << "a file where the folder goes";
    std::ofstream(sim.file("ones.vet"), std::ios::binary) << std::string(kCellCount, '\1');
    const Result refused = Ctl(sim, {"put", "ones.vet", "--com", "3"});
    EXPECT_EQ(refused.exit, 2);
    EXPECT_NE(refused.err.find("could not be kept, nothing sent"), std::string::npos)
        << refused.err;
    const Result unkept = Ctl(sim, {"put", "ones.vet", "--no-backup", "--com", "3"});
    EXPECT_EQ(unkept.exit, 0) << unkept.err;
    const std::vector<std::string> received = Received(sim, 4u + kCellCount);
    // Two downloads (the device's breakpoints are checked either way), then only the second
    // put's writes.
    ASSERT_EQ(received.size(), 4u + kCellCount);
    EXPECT_EQ(received[2], "<201>");
    EXPECT_EQ(received[4], CellWriteMessage(0, 1));
}

// The edit the core works out reaches the file or the device: only its changed cells, in index
// order, after the device's table is kept; a dry run and a refusal send nothing.
TEST(Ctl, editChangesAFileOrTheDevicesBlockAsTheCoreComputes) {
    TvxSim sim;
    ASSERT_EQ(Ctl(sim, {"get", "-o", "device.json", "--com", "3"}).exit, 0);
    const TableFile device = *Read(sim.file("device.json"));
    const auto expected = [&](EditOperation op, Block block) {
        return std::get<CellChanges>(EditChanges(device, block, op));
    };
    const Block block{2, 5, 3, 7};

    const Result onFile =
        Ctl(sim, {"edit", "interpolate", "device.json", "--block", "2:5,3:7", "-o", "i.json"});
    ASSERT_EQ(onFile.exit, 0) << onFile.err;
    TableFile edited = device;
    ApplyChanges(edited.table, expected({EditKind::Interpolate, 0}, block));
    EXPECT_EQ(Read(sim.file("i.json")), edited);

    const std::size_t before = sim.log("received").size();
    const Result dry =
        Ctl(sim, {"edit", "add", "-3", "--block", "2:5,3:7", "--dry-run", "--com", "3"});
    ASSERT_EQ(dry.exit, 0) << dry.err;
    std::string messages;
    for (const CellChange& c : expected({EditKind::Add, -3}, block)) {
        messages += CellWriteMessage(c.cell, c.after) + "\n";
    }
    EXPECT_EQ(dry.out, messages);

    const Result refused = Ctl(sim, {"edit", "scale", "30000", "--com", "3"});
    EXPECT_EQ(refused.exit, 2);
    EXPECT_NE(refused.err.find("would be"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("nothing sent"), std::string::npos) << refused.err;

    const Result sent = Ctl(sim, {"edit", "scale", "12.5", "--block", "2:5,3:7", "--com", "3"});
    ASSERT_EQ(sent.exit, 0) << sent.err;
    const CellChanges scaled = expected({EditKind::Scale, 12.5}, block);
    // Three downloads of two messages each; the dry run and the refusal sent nothing else.
    const std::size_t downloads = before + 6;
    const std::vector<std::string> received = Received(sim, downloads + scaled.size());
    ASSERT_EQ(received.size(), downloads + scaled.size());
    for (std::size_t k = 0; k < scaled.size(); ++k) {
        EXPECT_EQ(received[downloads + k], CellWriteMessage(scaled[k].cell, scaled[k].after));
    }
    EXPECT_EQ(Read(KeptPath(sent)), device) << sent.err;
}

TEST(Ctl, logStopsOnCtrlCOrAHangUpWithRealTimeOffAndEveryRowKept) {
    for (const int signal : {SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        TvxSim sim;
        QProcess ctl;
        ctl.start(TVXCTL_PATH, {"log", "-o", QString::fromStdString(sim.file("drive.msl")),
                                "--port", QString::fromStdString(sim.link())});
        const auto sentRecords = [&sim] {
            const std::vector<std::string> sent = sim.log("sent");
            return std::count_if(sent.begin(), sent.end(),
                                 [](const std::string& line) { return line.starts_with("255,"); });
        };
        while (sentRecords() < 20) {
            ::usleep(10000);
        }
        ::kill(static_cast<pid_t>(ctl.processId()), signal);
        ASSERT_TRUE(ctl.waitForFinished(10000));
        EXPECT_EQ(ctl.exitCode(), 0);
        EXPECT_TRUE(ctl.readAllStandardError().contains("Recording stopped"));
        const std::vector<std::string> received =
            Received(sim, [](const std::vector<std::string>& r) {
                return !r.empty() && r.back() == "<201>";
            });
        ASSERT_FALSE(received.empty());
        EXPECT_EQ(received.back(), "<201>");
        std::ifstream in(sim.file("drive.msl"));
        const std::string text(std::istreambuf_iterator<char>(in), {});
        EXPECT_TRUE(text.starts_with("\"tvxctl " TVX_VERSION "\"\n"));
        const auto read = ReadLog(text, LogFormat::Msl);
        EXPECT_GE(std::get<std::vector<LogSample>>(read).size(), 20u);
    }
}

TEST(Ctl, logForceReplacesAnOldFileOnlyOnceARecordHasCome) {
    const struct {
        std::vector<std::string> simOptions;
        int exit;
        bool replaced;
    } cases[] = {{{"--stall-after", "0"}, 2, false}, {{}, 0, true}};
    for (const auto& c : cases) {
        TvxSim sim(c.simOptions);
        std::ofstream(sim.file("kept.msl")) << "a drive worth keeping";
        const Result r = Ctl(sim, {"log", "--seconds", "1", "-o", "kept.msl", "--force",
                                   "--timeout", "0.5", "--com", "3"});
        EXPECT_EQ(r.exit, c.exit) << r.err;
        std::ifstream in(sim.file("kept.msl"));
        const std::string text(std::istreambuf_iterator<char>(in), {});
        EXPECT_EQ(text == "a drive worth keeping", !c.replaced) << text.substr(0, 40);
    }
}

TEST(Ctl, aFloodOfBadRecordsIsCountedOnceASecondNotALineEach) {
    TvxSim sim;
    std::ofstream(sim.file("junk")) << "255,1,2,";
    ASSERT_TRUE(sim.start({"--rate", "200", "--stream-file", sim.file("junk")}));
    const Result r = Ctl(sim, {"log", "--seconds", "3", "--timeout", "5", "--com", "3"});
    const auto said = std::count(r.err.begin(), r.err.end(), '\n');
    EXPECT_TRUE(r.err.find("Dropped a live record") != std::string::npos) << r.err;
    EXPECT_TRUE(r.err.find("more records (the last: live record") != std::string::npos) << r.err;
    EXPECT_LE(said, 10) << r.err;
}

// Bank 1's mean air/fuel over a logged stretch, once the wideband has caught up.
double LoggedAfr(const TvxSim& sim, const std::string& name) {
    std::ifstream in(sim.file(name));
    const auto read = ReadLog(std::string(std::istreambuf_iterator<char>(in), {}), LogFormat::Csv);
    double sum = 0;
    int rows = 0;
    for (const LogSample& row : std::get<std::vector<LogSample>>(read)) {
        if (row.timeS >= 0.5) {
            sum += row.fields[3];
            ++rows;
        }
    }
    return rows ? sum / rows : 0;
}

// 10% more true VE around 3400 RPM and 24 PSI absolute, where the engine is held: RPM
// breakpoints 12-13 (3200, 3600), pressure 9-10 (23, 25 PSI).
constexpr int kHeldCells[][2] = {{9, 12}, {9, 13}, {10, 12}, {10, 13}};

// tvxsim restarted on an engine whose true VE is the device's with the held cells 10% higher,
// held at `hold`; the device's table.
TableFile HoldOnLeanCells(TvxSim& sim, TableFile& truth, const char* hold = "hold:3400,24") {
    EXPECT_EQ(Ctl(sim, {"get", "-o", "device.json", "--com", "3"}).exit, 0);
    const TableFile device = *Read(sim.file("device.json"));
    truth = device;
    for (const auto& [p, r] : kHeldCells) {
        std::int16_t& cell = truth.table[CellIndex(p, r)];
        cell = static_cast<std::int16_t>(std::lround(cell * 1.1));
    }
    EXPECT_TRUE(
        std::holds_alternative<std::monostate>(WriteTableFile(sim.file("true.json"), truth)));
    EXPECT_TRUE(sim.start({"--true-ve", sim.file("true.json"), "--drive", hold, "--warm"}));
    return device;
}

double HeldSum(const TableFile& t) {
    double sum = 0;
    for (const auto& [p, r] : kHeldCells) {
        sum += t.table[CellIndex(p, r)];
    }
    return sum;
}

TEST(Ctl, theEngineReadsLeanWhereTheTableLacksVeAndOnTargetOnceSet) {
    TvxSim sim;
    TableFile truth;
    const TableFile device = HoldOnLeanCells(sim, truth);
    // The default target there: 14.7 less 2.9 for each 15 PSI of boost.
    const double target = 14.7 - 2.9 * (24 - 14.67) / 15;

    ASSERT_EQ(Ctl(sim, {"log", "--seconds", "2", "-o", "lean.csv", "--com", "3"}).exit, 0);
    EXPECT_NEAR(LoggedAfr(sim, "lean.csv"), target * HeldSum(truth) / HeldSum(device), 0.05);

    for (const auto& [p, r] : kHeldCells) {
        const std::string value = std::to_string(truth.table[CellIndex(p, r)]);
        ASSERT_EQ(Ctl(sim, {"set", std::to_string(p), std::to_string(r), value, "--com", "3"}).exit,
                  0);
    }
    ASSERT_EQ(Ctl(sim, {"log", "--seconds", "2", "-o", "set.csv", "--com", "3"}).exit, 0);
    EXPECT_NEAR(LoggedAfr(sim, "set.csv"), target, 0.05);
}

TEST(Ctl, oneRoundOfAnalyzeBringsTheCellsToTheTrueVeAndDrawsItsReport) {
    TvxSim sim;
    TableFile truth;
    // Held on the breakpoints of cell (9, 12), 3200 RPM and 23 PSI: the records fix that cell
    // (a point between four cells would fix only their weighted sum, each of them unsure).
    const TableFile device = HoldOnLeanCells(sim, truth, "hold:3200,23");
    const auto error = [&truth](const TableFile& t) {
        const double real = truth.table[CellIndex(9, 12)];
        return std::abs(t.table[CellIndex(9, 12)] - real) / real * 100;
    };
    ASSERT_EQ(Ctl(sim, {"log", "--seconds", "3", "-o", "drive.csv", "--com", "3"}).exit, 0);
    const Result analyzed = Ctl(sim, {"analyze", "drive.csv", "--com", "3", "-o", "suggested.json",
                                      "--report", "report.html"});
    ASSERT_EQ(analyzed.exit, 0) << analyzed.err;
    EXPECT_NE(analyzed.err.find("1 of 400 cells changed"), std::string::npos) << analyzed.err;
    const TableFile suggested = *Read(sim.file("suggested.json"));
    EXPECT_GT(error(device), 8);
    EXPECT_LT(error(suggested), 2);
    // The table kept beside the log is all analyze needs: no device, no table given.
    const Result alone = Ctl(sim, {"analyze", "drive.csv", "-o", "alone.json"});
    ASSERT_EQ(alone.exit, 0) << alone.err;
    EXPECT_EQ(Read(sim.file("alone.json")), Read(sim.file("suggested.json")));

    std::ifstream report(sim.file("report.html"));
    const std::string page(std::istreambuf_iterator<char>(report), {});
    EXPECT_TRUE(page.starts_with("<!DOCTYPE html>"));
    EXPECT_EQ(page.find("http"), std::string::npos) << "the page fetches nothing";

    ASSERT_EQ(Ctl(sim, {"put", "suggested.json", "--changed-only", "--com", "3"}).exit, 0);
    ASSERT_EQ(Ctl(sim, {"get", "-o", "after.json", "--com", "3"}).exit, 0);
    EXPECT_EQ(Read(sim.file("after.json"))->table, suggested.table);
}

TEST(Ctl, analyzeFindsTheWidebandsDelayFromTheDriveAndDoesNoWorseThanWithTheTruthGiven) {
    TvxSim sim;
    ASSERT_EQ(Ctl(sim, {"get", "-o", "device.json", "--com", "3"}).exit, 0);
    TableFile truth = *Read(sim.file("device.json"));
    for (int cell = 0; cell < kCellCount; ++cell) {
        truth.table[cell] = static_cast<std::int16_t>(
            std::lround(truth.table[cell] *
                        (1 + 0.1 * std::sin(RpmIndexOf(cell) / 2.0 + PressureIndexOf(cell)))));
    }
    ASSERT_TRUE(
        std::holds_alternative<std::monostate>(WriteTableFile(sim.file("true.json"), truth)));
    ASSERT_TRUE(sim.start({"--true-ve", sim.file("true.json"), "--wideband-lag", "60,250", "--warm",
                           "--rate", "100", "--drive", "sweep"}));
    ASSERT_EQ(Ctl(sim, {"log", "--seconds", "100", "-o", "drive.csv", "--com", "3"}).exit, 0);
    // RMS error against the true VE of the cells the analysis tuned, in percent.
    const auto error = [&](const std::vector<std::string>& lag) {
        std::vector<std::string> args = {"analyze", "drive.csv", "--cells", "cells.csv"};
        args.insert(args.end(), lag.begin(), lag.end());
        const Result r = Ctl(sim, args);
        EXPECT_EQ(r.exit, 0) << r.err;
        std::ifstream cells(sim.file("cells.csv"));
        std::string line;
        std::getline(cells, line);
        double squares = 0;
        int tuned = 0;
        while (std::getline(cells, line)) {
            std::vector<std::string> f;
            std::stringstream fields(line);
            for (std::string field; std::getline(fields, field, ',');) {
                f.push_back(field);
            }
            if (f[9] != "too few hits") {
                const double real = truth.table[CellIndex(std::stoi(f[0]), std::stoi(f[1]))];
                squares += std::pow((std::stod(f[6]) - real) / real * 100, 2);
                ++tuned;
            }
        }
        return std::pair(r.err, tuned ? std::sqrt(squares / tuned) : 100.0);
    };
    const auto [said, found] = error({});
    const auto [saidTrue, given] = error({"--lag", "60,250"});
    double ms = 0, flowMs = 0;
    const std::size_t at = said.find("wideband lag: ");
    ASSERT_NE(at, std::string::npos) << said;
    ASSERT_EQ(std::sscanf(said.c_str() + at, "wideband lag: %lf ms + %lf ms", &ms, &flowMs), 2);
    EXPECT_NE(said.find("estimated from"), std::string::npos) << said;
    for (const auto& [rpm, psi] : {std::pair{800.0, 5.0}, {3000.0, 14.7}, {6000.0, 35.0}}) {
        const double real = TransportDelayS({60, 250}, rpm, psi);
        EXPECT_NEAR(TransportDelayS({ms, flowMs}, rpm, psi), real, 0.15 * real)
            << rpm << " RPM, " << psi << " PSI: found " << ms << "," << flowMs;
    }
    EXPECT_LE(found, given + 0.1) << said << saidTrue;
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
