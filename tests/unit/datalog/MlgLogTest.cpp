#include "datalog/MlgLog.h"
#include "datalog/LogConvert.h"
#include "datalog/LogReader.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A row whose channel 1 (RPM) holds `value`, the others 0.
std::array<double, kLogChannels> RowWith(double value) {
    std::array<double, kLogChannels> row{};
    row[1] = value;
    return row;
}

std::string TextLog(LogFormat format, const std::vector<std::array<double, kLogChannels>>& rows) {
    std::string text = HeaderText(format, {"Torvex v1.7", "2026-12-09 05:00:00", false});
    for (const auto& row : rows) {
        text += RowTextOf(format, row);
    }
    return text;
}

ConvertedLog Convert(std::string_view bytes, LogFormat from, LogFormat to, int version = 1) {
    const auto converted = ConvertLog(
        [&](const std::vector<std::string_view>& needed) {
            return LogChannelsOf(bytes, from, needed);
        },
        to, version, "Torvex v1.7");
    EXPECT_TRUE(std::holds_alternative<ConvertedLog>(converted));
    return std::holds_alternative<ConvertedLog>(converted) ? std::get<ConvertedLog>(converted)
                                                           : ConvertedLog{};
}

// The rows of a text log, its header left out.
std::string RowsOf(const std::string& text) {
    std::size_t at = 0;
    for (int line = 0; line < 4; ++line) {
        at = text.find('\n', at) + 1;
    }
    return text.substr(at);
}

} // namespace

TEST(MlgLog, aConvertedChannelKeepsItsDigitsInTheNarrowestType) {
    const struct {
        const char* what;
        std::vector<double> values;
        MlgType type;
        int digits;
    } cases[] = {
        {"whole RPM", {810, 6500}, MlgType::U16, 0},
        {"indices", {0, 3, 19}, MlgType::U08, 0},
        {"a small signed count", {-3, 5}, MlgType::S08, 0},
        {"hundredths, signed", {-9.16, 3.1}, MlgType::S16, 2},
        {"the most decimals any value has", {15.391, 14.7}, MlgType::U16, 3},
        // The text shows 7 significant digits: 123456.8.
        {"past 65535 steps", {123456.789}, MlgType::U32, 1},
        {"past 32 bits", {-3e9, 1}, MlgType::S64, 0},
        {"more decimals than a reading has: a float", {1.0e-7, 2}, MlgType::F32, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StepFinder finder;
        for (const double v : c.values) {
            finder.add(RowWith(v));
        }
        const ChannelStep step = finder.steps()[1];
        EXPECT_EQ(step.type, c.type);
        EXPECT_EQ(step.digits, c.digits);
    }
}

TEST(MlgLog, aDigitIsLostOnlyPastTheStepsDecimals) {
    const struct {
        double value;
        ChannelStep step;
        bool loses;
    } cases[] = {
        {static_cast<float>(15.39), {MlgType::U16, 2}, false}, // a float's 15.3900003
        {14.705, {MlgType::U16, 2}, true},
        {2250.5, {MlgType::U16, 0}, true},
        {9.999999, {MlgType::U32, 6}, false},
        {9.999999, {MlgType::U32, 5}, true},
        {2250.5, {MlgType::F32, 0}, false}, // a float keeps what it keeps
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LosesDigits(c.value, c.step), c.loses) << c.value;
    }
}

TEST(MlgLog, aTextLogConvertsToEitherVersionAndBackToTheSameRows) {
    const std::vector<std::array<double, kLogChannels>> rows = {
        {0.002, 810, 5.51, -9.16, 180, 15.39, 15.34, 1.15, 0, 2, 37},
        {0.022, 6500, 29.696, 15.026, 179.8, 11.8, 11.75, 4.99, 19, 19, 32767},
        // Ten hours in: a float scale of 0.001 would read this 1.7 ms off.
        {36000.001, 2250.5, 14.7, 0.03, 98.6, 14.25, 12.8, 2.5, 3, 7, -5},
    };
    for (const LogFormat text : {LogFormat::Msl, LogFormat::Csv}) {
        for (const int version : {1, 2}) {
            SCOPED_TRACE(version);
            const std::string source = TextLog(text, rows);
            const ConvertedLog mlg = Convert(source, text, LogFormat::Mlg, version);
            EXPECT_EQ(mlg.rows, rows.size());
            const ConvertedLog back = Convert(mlg.bytes, LogFormat::Mlg, text);
            EXPECT_EQ(back.rows, rows.size());
            EXPECT_EQ(text == LogFormat::Msl ? RowsOf(back.bytes)
                                             : back.bytes.substr(back.bytes.find('\n') + 1),
                      text == LogFormat::Msl ? RowsOf(source)
                                             : source.substr(source.find('\n') + 1));
        }
    }
}

TEST(MlgLog, aLastRowCutShortIsLeftOutAndSaid) {
    const std::string source =
        TextLog(LogFormat::Msl, {{0.002, 810, 5.51, -9.16, 180, 15.39, 15.34, 1.15, 0, 2, 37}}) +
        "0.022\t815\t5.5";
    const ConvertedLog mlg = Convert(source, LogFormat::Msl, LogFormat::Mlg);
    EXPECT_EQ(mlg.rows, 1u);
    EXPECT_TRUE(mlg.cutShort);
}

TEST(MlgLog, aLogWithoutAHeaderIsRefusedEitherWay) {
    const struct {
        std::string bytes;
        LogFormat from, to;
        const char* why;
    } cases[] = {
        {"garbage\n", LogFormat::Msl, LogFormat::Mlg, "log has no Time channel"},
        {std::string("MLVLG\0\0\3", 8), LogFormat::Mlg, LogFormat::Msl,
         "mlg header: format version 3, not 1 or 2"},
    };
    for (const auto& c : cases) {
        const auto converted = ConvertLog(
            [&](const std::vector<std::string_view>& needed) {
                return LogChannelsOf(c.bytes, c.from, needed);
            },
            c.to, 1, "Torvex v1.7");
        ASSERT_TRUE(std::holds_alternative<std::string>(converted)) << c.why;
        EXPECT_EQ(std::get<std::string>(converted), c.why);
    }
}

TEST(MlgLog, aReplayReadsTheBinaryLogAsItsText) {
    const std::string source =
        TextLog(LogFormat::Msl, {{0.5, 900, 5, -9.67, 180, 14.7, 14.6, 1, 0, 2, 37},
                                 {1, 905, 5.25, -9.42, 180.5, 14.8, 14.7, 1.1, 0, 2, 37}});
    const ConvertedLog mlg = Convert(source, LogFormat::Msl, LogFormat::Mlg);
    const auto text = ReadLog(source, LogFormat::Msl);
    const auto binary = ReadLog(mlg.bytes, LogFormat::Mlg);
    ASSERT_TRUE(std::holds_alternative<std::vector<LogSample>>(binary));
    const auto& a = std::get<std::vector<LogSample>>(text);
    const auto& b = std::get<std::vector<LogSample>>(binary);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t k = 0; k < a.size(); ++k) {
        EXPECT_EQ(a[k].timeS, b[k].timeS);
        EXPECT_EQ(a[k].fields, b[k].fields);
    }
}
