// The wideband's delay model at worked points: the transport, the sensor's response, what
// reaches the sensor between two moments; and the lag as a command line gives it.
#include "model/WidebandDelay.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

TEST(WidebandDelay, theDelayGrowsAsTheFlowFallsWithinItsCapAndRpmFloor) {
    const struct {
        WidebandLag lag;
        double rpm, psi;
        double ms;
    } cases[] = {
        {{60, 250}, 1000, 14.7, 310},
        {{60, 250}, 800, 5, 60 + 250 * 1.25 * 14.7 / 5},       // idle: 978.75
        {{60, 250}, 3000, 14.7, 60 + 250 / 3.0},               // 143
        {{60, 250}, 6000, 34.7, 60 + 250 / 6.0 * 14.7 / 34.7}, // 78
        {{60, 250}, 200, 14.7, 60 + 250 * 1000 / 300.0},       // below 300 RPM as at 300
        {{60, 250}, 100, 5, 2000},                             // the cap
        {{60, 250}, 3000, 0, 2000},                            // no pressure, no flow
        {{150, 0}, 800, 5, 150},                               // a fixed delay
        {{0, 0}, 6000, 30, 0},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(TransportDelayS(c.lag, c.rpm, c.psi) * 1000, c.ms, 1e-9)
            << c.lag.ms << "," << c.lag.flowMs << " at " << c.rpm << " RPM, " << c.psi << " PSI";
    }
    EXPECT_NEAR(ReadingDelayS({150, 0}, 3000, 14.7), 0.21, 1e-12);
}

TEST(WidebandDelay, theSensorAnswersAStepInSixtyMillisecondsToOneOverE) {
    const struct {
        double dtS;
        double share;
    } cases[] = {{0.06, 1 - std::exp(-1.0)}, {0.01, 1 - std::exp(-1 / 6.0)}, {0, 0}};
    for (const auto& c : cases) {
        EXPECT_NEAR(SensorShare(c.dtS), c.share, 1e-12) << c.dtS;
    }
    EXPECT_DOUBLE_EQ(SensorResponse(14, 16, 0.25), 14.5);
}

TEST(WidebandDelay, theExhaustReachesTheSensorInTheOrderItWasMade) {
    const struct {
        std::vector<double> arrives;
        double now;
        std::size_t last;
        std::optional<double> share;
    } cases[] = {
        {{1.0, 2.0, 3.0}, 1.5, 0, 0.5},          {{1.0, 2.0, 3.0}, 2.0, 1, 0.0},
        {{1.0, 2.0, 3.0}, 3.5, 2, std::nullopt}, // the newest has arrived: nothing after it
        {{1.0, 3.0, 2.0}, 2.5, 0, 0.75},         // the third overtook the second: it waits
        {{1.0, 1.0, 2.0}, 1.0, 1, 0.0},          // two at once: the later is the one read
        {{1.0, 0.5}, 1.2, 1, std::nullopt},
    };
    for (const auto& c : cases) {
        const Arrival a =
            Arriving(0, c.arrives.size(), c.now, [&](std::size_t k) { return c.arrives[k]; });
        EXPECT_EQ(a.last, c.last) << c.now;
        EXPECT_EQ(a.share.has_value(), c.share.has_value()) << c.now;
        if (a.share && c.share) {
            EXPECT_NEAR(*a.share, *c.share, 1e-12) << c.now;
        }
    }
}

TEST(WidebandDelay, aLagIsMsOrMsAndFlowMs) {
    const struct {
        const char* text;
        bool read;
        WidebandLag lag;
    } cases[] = {{"150", true, {150, 0}}, {"60,250", true, {60, 250}},
                 {"0,0", true, {0, 0}},   {"2000,2000", true, {2000, 2000}},
                 {"2001", false, {}},     {"-1", false, {}},
                 {"-0", true, {0, 0}},    {"60,", false, {}},
                 {"60,250,1", false, {}}, {"auto", false, {}},
                 {"", false, {}}};
    for (const auto& c : cases) {
        WidebandLag lag{1, 1};
        EXPECT_EQ(ParseWidebandLag(c.text, lag), c.read) << c.text;
        if (c.read) {
            EXPECT_EQ(lag, c.lag) << c.text;
            EXPECT_FALSE(std::signbit(lag.ms)) << c.text; // never shown as "-0 ms"
        }
    }
}
