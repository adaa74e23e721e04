// A datalog replayed: its rows in order, as printed, at the recorded pace over the speed, paused
// and resumed by the usual commands; and what tvxsim refuses to replay.
#include "Device.h"
#include "TvxSim.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>

#include <algorithm>
#include <cstdio>

using namespace tvxsim;
using namespace std::chrono_literals;

namespace {

// Digits a whole-number or two-decimal format would change, a gap that runs backwards (row 2).
const std::vector<LogSample> kRows = {{0.0, {14.7, 812.5, 72.25, 14.7, 2.5, 14.9}},
                                      {0.2, {29.4, 1234.567, 180, 12.1, 4.51, 12.3}},
                                      {0.1, {5, 6500, -40, 10, 1500, 17}},
                                      {0.5, {0.0001234, 149.9, 0, 0, 0, 0}}};
const char* const kRecords[] = {"255,14.7,812.5,72.25,14.7,2.5,14.9",
                                "255,29.4,1234.567,180,12.1,4.51,12.3", "255,5,6500,-40,10,1500,17",
                                "255,0.0001234,149.9,0,0,0,0"};

std::string WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

} // namespace

TEST(SimReplay, rowsComeInOrderAtTheRecordedSpacingOverTheSpeedPausedResumedAndLooped) {
    const struct {
        double speed;
        bool loop;
        std::vector<std::pair<int, const char*>> commands; // at ms
        const char* sent;                                  // ms:row, in order
    } cases[] = {
        {1, false, {{0, "<255>"}}, "0:0 200:1 200:2 600:3 "}, // then silent
        {2, false, {{0, "<255>"}}, "0:0 100:1 100:2 300:3 "},
        {1, false, {{0, "<255>"}, {150, "<201>"}, {1000, "<255>"}}, "0:0 1000:1 1000:2 1400:3 "},
        {2, true, {{0, "<255>"}, {450, "<201>"}}, "0:0 100:1 100:2 300:3 300:0 400:1 400:2 "},
    };
    for (const auto& c : cases) {
        Options options;
        options.replayRows = kRows;
        options.speed = c.speed;
        options.loop = c.loop;
        Device device(options, DeviceTable(), 7);
        int ms = 0;
        std::string sent;
        device.setSentLog([&](const std::string& line) {
            const auto row = std::find(std::begin(kRecords), std::end(kRecords), line);
            sent += std::to_string(ms) + ":" + std::to_string(row - std::begin(kRecords)) + " ";
        });
        for (; ms <= 2000; ++ms) {
            const Device::TimePoint now{std::chrono::milliseconds(ms)};
            for (const auto& [at, command] : c.commands) {
                if (at == ms) {
                    device.receive(command, now);
                }
            }
            for (std::string_view bytes; !(bytes = device.outgoing(now)).empty();) {
                device.wrote(bytes.size(), now);
            }
        }
        EXPECT_EQ(sent, c.sent) << "row 4 is a record not in the log";
    }
}

TEST(SimReplay, aLogIsRefusedWithoutItsRowsOrChannelsOrAKnownExtension) {
    const std::string dir = testing::TempDir();
    const std::string names = "Time[s],RPM[RPM],MAP[PSI],Temp[F],AFR1[AFR],AFR2[AFR],MAF[V]\n";
    const struct {
        std::string path;
        std::string text;
        const char* error; // empty: accepted
    } cases[] = {
        {dir + "replay.csv", names + "0.000,800,14.7,180,14.7,14.9,2.5\n", ""},
        {dir + "replay.txt", names + "0.000,800,14.7,180,14.7,14.9,2.5\n", "not a datalog"},
        {dir + "empty.csv", names, "no rows"},
        {dir + "nomap.csv", "Time,RPM,Temp,AFR1,AFR2,MAF\n", "no MAP channel"}};
    for (const auto& c : cases) {
        std::vector<LogSample> rows;
        const std::string error = readReplayLog(WriteText(c.path, c.text), rows);
        EXPECT_NE(error.find(c.error), std::string::npos) << c.path << ": " << error;
        EXPECT_EQ(error.empty(), rows.size() == 1) << c.path;
    }
}

TEST(SimReplayProgram, aLogGoesOnTheWireAsPrintedAndAnUnreadableOneEndsTheProgram) {
    const std::string log = WriteText(testing::TempDir() + "drive.msl",
                                      "\"Torvex v1.7\"\n\"Capture Date: 2024-05-01 10:00:00\"\n"
                                      "Time\tRPM\tMAP\tBoost\tTemp\tAFR1\tAFR2\tMAF\n"
                                      "s\tRPM\tPSI\tPSI\tF\tAFR\tAFR\tV\n"
                                      "0.000\t812.5\t14.7\t0.03\t72.25\t14.7\t14.9\t2.5\n"
                                      "0.020\t1234.567\t29.4\t14.73\t180\t12.1\t12.3\t4.51\n");
    TvxSim sim({"--replay", log});
    const int fd = open(sim.link().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "<255>", 5), 5);
    const std::string expected = std::string(kRecords[0]) + "," + kRecords[1] + ",";
    std::string got; // until the line is quiet, or it says more than the log holds
    pollfd ready{fd, POLLIN, 0};
    for (char buffer[256]; got.size() <= expected.size() && poll(&ready, 1, 500) > 0;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        got.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
    }
    close(fd);
    EXPECT_EQ(got, expected);

    sim.stop();
    const std::string command = std::string(TVXSIM_PATH) + " --link " + sim.link() + " --replay " +
                                testing::TempDir() + "missing.msl" + " 2>&1";
    std::FILE* out = popen(command.c_str(), "r");
    ASSERT_NE(out, nullptr);
    std::string said;
    for (int c; (c = std::fgetc(out)) != EOF;) {
        said += static_cast<char>(c);
    }
    const int status = pclose(out);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status;
    EXPECT_NE(said.find("cannot read " + testing::TempDir() + "missing.msl"), std::string::npos)
        << said;
    EXPECT_FALSE(std::filesystem::exists(sim.link())) << "no terminal before the log is read";
}
