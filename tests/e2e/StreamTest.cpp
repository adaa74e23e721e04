// Streaming through every framing and splitting the device can produce: the readouts only
// ever show a whole record that the device sent.
#include "SimProcess.h"
#include "link/Readouts.h"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <sstream>

namespace {

using Readouts = std::array<std::string, 6>;

const TextBox kBoxes[6] = {TextBox::Pressure, TextBox::Rpm, TextBox::Temp,
                           TextBox::WB1,      TextBox::WB2, TextBox::MAFOut};

Readouts Shown(const MainWindow& window) {
    Readouts shown;
    for (int i = 0; i < 6; ++i) {
        shown[i] = window.boxText(kBoxes[i]).toStdString();
    }
    return shown;
}

// What a sent record "255,p,r,t,w1,a,w2" shows with a volts intake type.
std::optional<Readouts> Expected(const std::string& record) {
    std::vector<double> v;
    std::stringstream in(record);
    std::string field;
    while (std::getline(in, field, ',')) {
        v.push_back(std::stod(field));
    }
    if (v.size() != 7 || v[0] != 255) {
        return std::nullopt;
    }
    float rpm = static_cast<float>(v[2]);
    if (!(rpm >= 150.0f)) {
        rpm = 0;
    }
    return Readouts{FormatFixed(static_cast<float>(v[1] - 14.67), 1) + " PSI",
                    FormatFixed(rpm, 0) + " RPM",
                    FormatGeneral(static_cast<float>(v[3])) + " F",
                    FormatFixed(static_cast<float>(v[4]), 1) + " A/F",
                    FormatFixed(static_cast<float>(v[6]), 1) + " A/F",
                    FormatFixed(v[5], 2) + "V Out"};
}

struct Framing {
    const char* terminator;
    const char* split;
};

class StreamE2e : public ::testing::TestWithParam<Framing> {};

} // namespace

TEST_P(StreamE2e, readoutsShowOnlyWholeRecordsThatWereSent) {
    SimProcess sim(
        {"--terminator", GetParam().terminator, "--split", GetParam().split, "--rate", "80"});
    Connected c(sim);
    ASSERT_TRUE(c.connectAndDownload()) << c.window.statusText().toStdString();
    ASSERT_EQ(c.table(), sim.lastReply());
    c.form.btnRT_Click();

    const Readouts initial = Shown(c.window);
    std::set<Readouts> seen;
    WaitFor(
        [&] {
            const Readouts now = Shown(c.window);
            if (now != initial) {
                seen.insert(now);
            }
            return seen.size() >= 25;
        },
        20000);
    c.form.btnCMDOFF_Click();
    ASSERT_GE(seen.size(), 25u) << c.window.statusText().toStdString();

    std::set<Readouts> sent;
    for (const std::string& line : sim.sent()) {
        if (const auto expected = Expected(line)) {
            sent.insert(*expected);
        }
    }
    for (const Readouts& shown : seen) {
        EXPECT_TRUE(sent.count(shown)) << shown[0] << " " << shown[1] << " " << shown[2] << " "
                                       << shown[3] << " " << shown[4] << " " << shown[5];
    }
}

INSTANTIATE_TEST_SUITE_P(EveryFraming, StreamE2e,
                         ::testing::Values(Framing{"comma", "none"}, Framing{"comma", "random"},
                                           Framing{"comma", "byte"}, Framing{"crlf", "none"},
                                           Framing{"crlf", "random"}, Framing{"crlf", "byte"},
                                           Framing{"none", "none"}, Framing{"none", "random"},
                                           Framing{"none", "byte"}),
                         [](const auto& info) {
                             return std::string(info.param.terminator) + "_" + info.param.split;
                         });
