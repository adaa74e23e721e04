// tvxctl's command line and the pure work of its commands.
#include "Arguments.h"
#include "CellDifferences.h"
#include "DroppedRecords.h"
#include "Help.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

namespace {

std::variant<Invocation, std::string> Parse(const std::string& line) {
    std::vector<std::string> args;
    std::istringstream words(line);
    for (std::string word; words >> word;) {
        args.push_back(word);
    }
    return ParseArguments(args);
}

} // namespace

TEST(Arguments, acceptedCommandLinesSayWhatToDo) {
    const struct {
        const char* line;
        Command command;
        int com;
        int timeoutMs;
        int cell;
        int value;
        bool device;
    } cases[] = {
        {"set 1 2 1 --com 20", Command::Set, 20, 2000, 22, 1, true},
        {"--timeout 0.25 --port /dev/x set 19 19 32767", Command::Set, 0, 250, 399, 32767, true},
        {"put a.vet --dry-run", Command::Put, 0, 2000, 0, 0, false},
        {"put a.vet --dry-run --changed-only --com 1", Command::Put, 1, 2000, 0, 0, true},
        {"diff a.vet b.csv", Command::Diff, 0, 2000, 0, 0, false},
        {"log --seconds 30 -o d.msl --com 2", Command::Log, 2, 2000, 0, 0, true},
    };
    for (const auto& c : cases) {
        const auto parsed = Parse(c.line);
        ASSERT_TRUE(std::holds_alternative<Invocation>(parsed)) << std::get<std::string>(parsed);
        const Invocation& inv = std::get<Invocation>(parsed);
        EXPECT_EQ(inv.command, c.command) << c.line;
        EXPECT_EQ(std::tuple(inv.com, inv.timeoutMs, inv.cell, inv.value, inv.needsDevice()),
                  std::tuple(c.com, c.timeoutMs, c.cell, c.value, c.device))
            << c.line;
    }
    EXPECT_TRUE(std::get<Invocation>(Parse("verify --help")).help); // help needs no operands
}

TEST(Arguments, analyzeTakesItsLogsTableAndTuningOptions) {
    const auto parsed =
        Parse("analyze a.msl --table t.json b.csv -o s.csv --lag 60,250 --min-temp off "
              "--transient 12.5 --wideband 2 --min-hits 5 --max-change 8 --deadband 2 "
              "--after-cut 450 "
              "--lock 0,0:3,19 --lock 7,7 --cells c.csv --report r.html --target 13.5");
    ASSERT_TRUE(std::holds_alternative<Invocation>(parsed)) << std::get<std::string>(parsed);
    const Invocation& inv = std::get<Invocation>(parsed);
    EXPECT_EQ(inv.files, (std::vector<std::string>{"a.msl", "b.csv"}));
    EXPECT_FALSE(inv.needsDevice());
    const AnalyzeRequest& a = inv.analyze;
    EXPECT_EQ(std::tuple(a.table, a.cells, a.report, a.target, inv.output),
              std::tuple("t.json", "c.csv", "r.html", "13.5", "s.csv"));
    const TuneOptions& t = a.tune;
    EXPECT_EQ(std::tuple(t.lag, t.lagAuto, t.minTempF, t.transientPsiPerS, t.maxAfr, t.wideband,
                         t.minHits, t.maxChangePercent, t.deadbandPercent, t.afterCutS),
              std::tuple(WidebandLag{60, 250}, false, std::optional<double>(), std::optional(12.5),
                         std::optional(19.5), 2, 5, 8.0, 2.0, 0.45));
    EXPECT_TRUE(std::get<Invocation>(Parse("analyze a.msl")).analyze.tune.lagAuto);
    EXPECT_TRUE(t.locked(3, 0) && t.locked(0, 19) && t.locked(7, 7));
    EXPECT_FALSE(t.locked(4, 0) || t.locked(7, 8));
    EXPECT_TRUE(std::get<Invocation>(Parse("analyze a.msl --com 3")).needsDevice());
    EXPECT_FALSE(std::get<Invocation>(Parse("analyze a.msl")).needsDevice()); // the kept table
}

TEST(Arguments, editTakesItsOperationValueFileAndBlock) {
    const Invocation onFile =
        std::get<Invocation>(Parse("edit add -5 a.vet --block 3:1,0:19 -o b.vet"));
    EXPECT_EQ(onFile.edit, (EditOperation{EditKind::Add, -5}));
    EXPECT_EQ(onFile.block, (Block{1, 3, 0, 19}));
    EXPECT_EQ(onFile.files, std::vector<std::string>{"a.vet"});
    EXPECT_FALSE(onFile.needsDevice());
    const Invocation onDevice = std::get<Invocation>(Parse("edit smooth --com 2 --dry-run"));
    EXPECT_EQ(onDevice.edit, EditOperation{EditKind::Smooth});
    EXPECT_EQ(onDevice.block, Block{});
    EXPECT_TRUE(onDevice.files.empty());
    EXPECT_TRUE(onDevice.needsDevice());
}

TEST(Arguments, refusedCommandLinesSayWhy) {
    const struct {
        const char* line;
        const char* reason;
    } cases[] = {
        {"", "no command given"},
        {"fetch", "unknown command 'fetch'"},
        {"get --forse --com 1", "unknown option '--forse'"},
        {"get --force --com 1", "--force belongs to log only"},
        {"get --com", "--com: 1 required TEXT missing"}, // the option library's words
        {"get --com 21", "--com takes a COM number from 1 to 20"},
        {"get --timeout 0 --com 1", "--timeout takes seconds"},
        {"verify --com 1", "usage: tvxctl verify FILE"},
        {"diff a.vet b.vet log", "usage: tvxctl diff A B"},
        {"set 20 0 1 --com 1", "P and R are a pressure index and an RPM index"},
        {"set 0 0 32768 --com 1", "VALUE 32768 is outside -32768..32767"},
        {"set 0 0 0 --com 1", "VALUE 0 is no VE: a cell holds 1 to 32767"},
        {"put a.vet -o b.vet --com 1", "-o belongs to get, log, analyze and edit only"},
        {"get --dry-run --com 1", "--dry-run belongs to put and edit only"},
        {"get --com 1 --port /dev/x", "not both"},
        {"log --seconds 0 --com 1", "--seconds takes a whole number of seconds"},
        {"get --seconds 5 --com 1", "--seconds belongs to log only"},
        {"put a.vet", "put needs the device"},
        {"analyze --com 1", "usage: tvxctl analyze LOG..."},
        {"analyze a.msl --table t.json --com 1", "--table FILE or the device, not both"},
        {"get --lag 0 --com 1", "--lag belongs to analyze only"},
        {"analyze a.msl --com 1 --min-temp hot", "--min-temp takes degrees F, -40 to 300, or off"},
        {"analyze a.msl --com 1 --lock 20,0", "--lock takes a cell P,R or a rectangle"},
        {"analyze a.msl --com 1 --lock 1,2:3", "--lock takes a cell P,R or a rectangle"},
        {"analyze a.msl --lag 1,2,3", "--lag takes auto, MS or MS,FLOW_MS"},
        {"edit smooth a.json", "usage: tvxctl edit"},
        {"edit smooth a.json -o b.json --com 1", "usage: tvxctl edit"},
        {"edit smooth -o b.json --com 1", "usage: tvxctl edit"},
        {"edit smooth a.json -o b.json --dry-run", "--dry-run is for the device"},
        {"edit scale x --com 1", "scale takes a percentage, not 'x'"},
        {"edit blur --com 1", "'blur' is no edit"},
        {"edit set 5 --block 0:20,0:0 --com 1", "--block takes P0:P1,R0:R1"},
    };
    for (const auto& c : cases) {
        const auto parsed = Parse(c.line);
        const auto* why = std::get_if<std::string>(&parsed);
        ASSERT_TRUE(why) << c.line;
        EXPECT_NE(why->find(c.reason), std::string::npos) << c.line << ": " << *why;
    }
}

TEST(Arguments, differingCellsAreListedAndOnlyTheyAreWrittenInIndexOrder) {
    VeTable file{};
    VeTable device{};
    file[21] = -5; // pressure index 1, RPM index 1
    file[399] = 300;
    device[kRpmBase] = 9; // breakpoints are not cells
    const std::vector<CellDifference> differences = DifferentCells(file, device);
    EXPECT_EQ(DifferenceLines(differences), "1 1 -5 0\n19 19 300 0\n");
    EXPECT_EQ(CellWrites(file, &device),
              (std::vector<std::string>{"<234,21:-5>", "<234,399:300>"}));
    const std::vector<std::string> all = CellWrites(file);
    ASSERT_EQ(all.size(), 400u);
    EXPECT_EQ(all[0], "<234,0:0>");
    EXPECT_EQ(all[21], "<234,21:-5>");
}

TEST(DroppedRecords, aFloodOfBadRecordsIsSaidOnceASecondAndTheRestAtTheEnd) {
    DroppedRecords dropped;
    const ParseError refused{"live record too short: 3 fields"};
    std::vector<std::string> said;
    for (int ms = 0; ms < 2500; ms += 10) {
        if (const auto line = dropped.add(refused, ms)) {
            said.push_back(*line);
        }
    }
    if (const auto line = dropped.flush()) {
        said.push_back(*line);
    }
    const std::string more = " more records (the last: live record too short: 3 fields)";
    EXPECT_EQ(said, (std::vector<std::string>{"Dropped a live record too short: 3 fields",
                                              "Dropped 100" + more, "Dropped 100" + more,
                                              "Dropped 49" + more}));
    EXPECT_EQ(dropped.flush(), std::nullopt);
}
