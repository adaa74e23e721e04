// A datalog replayed: its rows in order, as printed, at the recorded pace over the speed, paused
// and resumed by the usual commands; and what tvxsim refuses to replay. The e2e tests record a
// replayed drive again through the window.
#include "Device.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace tvxsim;

namespace {

// Digits a whole-number or two-decimal format would change, a gap that runs backwards (row 2).
const std::vector<LogSample> kRows = {{0.0, {14.7, 812.5, 72.25, 14.7, 2.5, 14.9}},
                                      {0.2, {29.4, 1234.567, 180, 12.1, 4.51, 12.3}},
                                      {0.1, {5, 6500, -40, 10, 1500, 17}},
                                      {0.5, {0.0001234, 149.9, 0, 0, 0, 0}}};
// The rows as a file would give them.
class Rows final : public ReplaySource {
public:
    std::optional<LogSample> next() override {
        return at_ < kRows.size() ? std::optional(kRows[at_++]) : std::nullopt;
    }
    void rewind() override { at_ = 0; }

private:
    std::size_t at_ = 0;
};

const char* const kRecords[] = {"255,14.7,812.5,72.25,14.7,2.5,14.9",
                                "255,29.4,1234.567,180,12.1,4.51,12.3", "255,5,6500,-40,10,1500,17",
                                "255,0.0001234,149.9,0,0,0,0"};

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
        options.replay = std::make_shared<Rows>();
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

TEST(SimReplayProgram, aLogItCannotReplayEndsItWithStatus2BeforeTheTerminal) {
    const std::string dir = testing::TempDir(), link = dir + "ttyRefused";
    const char* const names = "Time,RPM,MAP,Temp,AFR1,AFR2,MAF\n";
    const struct {
        const char* name;
        const char* text; // none: no such file
        const char* error;
    } cases[] = {{"missing.msl", nullptr, "No such file"},
                 {"drive.txt", names, "not a datalog"},
                 {"empty.csv", names, "no rows"},
                 {"nomap.csv", "Time,RPM\n", "no MAP channel"}};
    for (const auto& c : cases) {
        const std::string path = dir + c.name;
        if (c.text != nullptr) {
            std::ofstream(path) << c.text;
        }
        const std::string command = TVXSIM_PATH " --link " + link + " --replay " + path + " 2>&1";
        std::FILE* out = popen(command.c_str(), "r");
        ASSERT_NE(out, nullptr);
        std::string said;
        for (int ch; (ch = std::fgetc(out)) != EOF;) {
            said += static_cast<char>(ch);
        }
        const int status = pclose(out);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << c.name << ": " << status;
        EXPECT_TRUE(said.find(path) != said.npos && said.find(c.error) != said.npos) << said;
        EXPECT_FALSE(std::filesystem::exists(link)) << c.name;
    }
}

TEST(SimReplay, aLogCutWhileItPlaysSaysSoWhenItEnds) {
    const std::string path = testing::TempDir() + "cut-while-playing.csv";
    // Far longer than what is read ahead, so the cut is met while playing.
    std::string text = "Time,RPM,MAP,Temp,AFR1,AFR2,MAF\n";
    for (int k = 0; k < 10000; ++k) {
        text += std::to_string(k) + ",900,5,180,14.7,14.7,1\n";
    }
    std::ofstream(path) << text;
    auto opened = ReplayFile::open(path);
    ASSERT_TRUE(std::holds_alternative<std::shared_ptr<ReplayFile>>(opened));
    auto file = std::get<std::shared_ptr<ReplayFile>>(opened);
    std::filesystem::resize_file(path, text.find("\n4000,") + 1); // rows 0 to 3999 are left
    Options options;
    options.replay = file;
    options.speed = 1000; // a row a millisecond
    Device device(options, DeviceTable(), 7);
    std::vector<std::string> notices;
    device.setNotices([&notices](const std::string& line) { notices.push_back(line); });
    device.receive("<255>", Device::TimePoint{});
    for (int ms = 0; ms <= 12000; ++ms) {
        const Device::TimePoint now{std::chrono::milliseconds(ms)};
        for (std::string_view bytes; !(bytes = device.outgoing(now)).empty();) {
            device.wrote(bytes.size(), now);
        }
    }
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], path + " ended after row 4000 of the 10000 it held when the replay "
                                 "began: it changed meanwhile");
}
