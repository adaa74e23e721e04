#include "view/ViewedLog.h"
#include "datalog/LogFormat.h"
#include "view/DerivedChannels.h"
#include "view/Envelope.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(ViewedLog, theCursorReadsTheRecordAtOrBeforeItsTime) {
    const std::vector<double> times = {0, 0.02, 0.04};
    const struct {
        double at;
        std::size_t record;
    } cases[] = {
        {-1, 0}, {0, 0}, {0.019, 0}, {0.02, 1}, {0.039, 1}, {0.04, 2}, {5, 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RecordAt(times, c.at), c.record) << c.at;
    }
    EXPECT_FALSE(RecordAt({}, 1));
}

TEST(ViewedLog, timeShowsAsMinutesAndSecondsToTheMillisecond) {
    const std::pair<double, const char*> cases[] = {
        {0, "0:00.000"}, {65.25, "1:05.250"}, {3599.9996, "60:00.000"}, {-1, "0:00.000"}};
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(ClockText(seconds), text);
    }
}

TEST(ViewedLog, everyChannelOfEveryRowThatReadsIsHeldAndTheRestSaid) {
    const std::string text = "\"Torvex v1.7\"\nTime\tRPM\tMAP\ns\tRPM\tPSI\n"
                             "0.5\t900\t5\n0.6\t900\n0.7\t910\t5.5\n";
    const auto read = ViewedLogOf(text, LogFormat::Msl, "drive.msl");
    ASSERT_TRUE(std::holds_alternative<ViewedLog>(read));
    const ViewedLog& log = std::get<ViewedLog>(read);
    EXPECT_EQ(log.timeS, (std::vector<double>{0.5, 0.7}));
    ASSERT_EQ(log.channels.size(), 2u);
    EXPECT_EQ(log.channels[1].name, "MAP");
    EXPECT_EQ(log.channels[1].units, "PSI");
    EXPECT_EQ(log.channels[1].values, (std::vector<float>{5, 5.5f}));
    ASSERT_EQ(log.notes.size(), 1u);
    EXPECT_EQ(log.notes[0], "drive.msl: 1 records left out as they do not read; the first, log "
                            "line 5: 2 fields where the names have 3");

    const auto bounded = ViewedLogOf(text, LogFormat::Msl, "drive.msl", 3);
    EXPECT_EQ(std::get<ViewedLog>(bounded).records(), 1u);
    EXPECT_EQ(std::get<ViewedLog>(bounded).notes[0],
              "drive.msl: shown to record 1, as many as the viewer holds of 3 channels");

    const auto refused = ViewedLogOf("RPM,MAP\n900,5\n", LogFormat::Csv, "drive.csv");
    EXPECT_EQ(std::get<std::string>(refused), "drive.csv: log has no Time channel");
}

TEST(DerivedChannels, theTargetIsInterpolatedAtTheRecordAndTheErrorIsAgainstIt) {
    ViewedLog log;
    log.timeS = {0, 1};
    // 3000 RPM at 10 PSI: all four cells around aim at 14.7; at 500 RPM (idle) 14.2.
    log.channels = {{"RPM", "RPM", {3000, 500}},
                    {"MAP", "PSI", {10, 10}},
                    {"AFR1", "AFR", {16.0f, 14.2f}},
                    {"AFR2", "AFR", {16.34f, 14.2f}}};
    DriveTable kept;
    for (int i = 0; i < kLatticeSize; ++i) {
        kept.table.table[kRpmBase + i] = static_cast<std::int16_t>(5 + 5 * i);
        kept.table.table[kPressureBase + i] = static_cast<std::int16_t>(2 + 2 * i);
    }
    log.kept = kept;
    AddTargetChannels(log);
    const ViewedChannel* target = log.channel(kTargetChannel);
    const ViewedChannel* error = log.channel(kErrorChannel);
    ASSERT_TRUE(target && error);
    EXPECT_FLOAT_EQ(target->values[0], 14.7f);
    EXPECT_NEAR(error->values[0], 10.0, 1e-4); // the mean of both readings, 16.17
    EXPECT_FLOAT_EQ(target->values[1], 14.2f);
    EXPECT_NEAR(error->values[1], 0.0, 1e-4);
    EXPECT_EQ(ValueText(*error, error->values[0]), "10.0");

    log.kept.reset();
    const std::size_t channels = log.channels.size();
    AddTargetChannels(log);
    EXPECT_EQ(log.channels.size(), channels) << "no breakpoints, no target";
}

TEST(Envelope, eachBucketKeepsItsLowestAndHighestInTimeOrder) {
    const std::vector<double> times = {0, 1, 2, 3, 4, 5, 6};
    constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        const char* what;
        std::vector<float> values;
        std::size_t bucket;
        std::vector<std::pair<double, float>> points;
    } cases[] = {
        {"high before low", {5, 9, 1, 4, 2, 2, 7}, 3, {{1, 9}, {2, 1}, {3, 4}, {4, 2}, {6, 7}}},
        {"flat: one point a bucket", {3, 3, 3, 3, 3, 3, 3}, 4, {{0, 3}, {4, 3}}},
        {"a bucket of 1 is the line itself", {1, 2, 3}, 1, {{0, 1}, {1, 2}, {2, 3}}},
        {"no number in a bucket keeps the gap", {kNan, kNan, 2, 5}, 2, {{0, kNan}, {2, 2}, {3, 5}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto points = Envelope(std::span(times).first(c.values.size()), c.values, c.bucket);
        ASSERT_EQ(points.size(), c.points.size());
        for (std::size_t k = 0; k < points.size(); ++k) {
            EXPECT_EQ(points[k].timeS, c.points[k].first);
            if (std::isnan(c.points[k].second)) {
                EXPECT_TRUE(std::isnan(points[k].value));
            } else {
                EXPECT_EQ(points[k].value, c.points[k].second);
            }
        }
    }
}
