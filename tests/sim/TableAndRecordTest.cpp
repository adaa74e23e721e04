#include "DeviceTable.h"
#include "EngineModel.h"
#include "LiveRecord.h"
#include "Split.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

using namespace tvxsim;

namespace {

int field(const std::string& reply, int k) {
    return std::stoi(split(reply, ",").at(k));
}

std::string vetBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t k = 0; k < size; ++k) {
        bytes[k] = static_cast<char>((k * 7 + 3) % 256);
    }
    return bytes;
}

} // namespace

TEST(DeviceTable, defaultReplyIsARealisticTableOf441Fields) {
    const std::string reply = DeviceTable().reply();
    ASSERT_EQ(split(reply, ",").size(), 441u);
    for (int k = 0; k < 400; ++k) {
        EXPECT_TRUE(field(reply, k) >= 30 && field(reply, k) <= 110) << k;
    }
    for (int k = 1; k < 20; ++k) {
        EXPECT_LT(field(reply, 399 + k), field(reply, 400 + k)) << "rpm " << k;
        EXPECT_LT(field(reply, 419 + k), field(reply, 420 + k)) << "pressure " << k;
    }
    // The breakpoints cover what the engine does, in hundreds of RPM and absolute PSI.
    EXPECT_LT(field(reply, 400) * 100, EngineLimits::kMinRpm);
    EXPECT_GE(field(reply, 419) * 100, 6000);
    EXPECT_LE(field(reply, 420), EngineLimits::kMinPsi);
    EXPECT_GE(field(reply, 439), EngineLimits::kMaxPsi);
    EXPECT_EQ(field(reply, 440), 1);
    EXPECT_GT(field(reply, 19 * 20 + 15), field(reply, 15)) << "cell = pressure * 20 + rpm";
}

TEST(DeviceTable, cellWritesAndIntakeTypeShowInTheNextReply) {
    DeviceTable table;
    table.writeCell(5, -3);
    table.writeCell(399, 32767);
    table.setIntakeType(3);
    const auto fields = split(table.reply(), ",");
    ASSERT_EQ(fields.size(), 441u);
    EXPECT_EQ(fields[5], "-3");
    EXPECT_EQ(fields[399], "32767");
    EXPECT_EQ(fields[440], "3");
    EXPECT_EQ(fields[4], split(DeviceTable().reply(), ",")[4]);
}

TEST(DeviceTable, vetFilesGiveTheCellsReadUnsignedAndNothingElse) {
    std::string bytes = vetBytes(410); // the tail past 400 is ignored
    bytes[0] = '\xff';
    const std::string path = testing::TempDir() + "tvxsim_test.vet";
    std::ofstream(path, std::ios::binary) << bytes;
    DeviceTable table;
    std::string error;
    ASSERT_TRUE(table.loadVet(path, error)) << error;
    EXPECT_EQ(table.cell(0), 255);
    EXPECT_EQ(table.cell(399), (399 * 7 + 3) % 256);
    const auto loaded = split(table.reply(), ","), fresh = split(DeviceTable().reply(), ",");
    EXPECT_TRUE(std::equal(loaded.begin() + 400, loaded.end(), fresh.begin() + 400));

    DeviceTable untouched;
    EXPECT_FALSE(untouched.setCellsFromVet(vetBytes(399)));
    EXPECT_FALSE(untouched.loadVet(testing::TempDir() + "tvxsim_missing.vet", error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(untouched.reply(), DeviceTable().reply());
}

TEST(LiveRecord, sevenFieldsWithWideband2LastAndAtMostTwoDecimals) {
    EXPECT_EQ(formatRecord({14.7, 800, 180, 14.7, 2.5, 14.9}), "255,14.7,800,180,14.7,2.5,14.9");
    EXPECT_EQ(formatRecord({14.699, 799.6, 72.54, 9.999, 1499.996, 0.004}),
              "255,14.7,800,72.5,10,1500,0");
    EXPECT_EQ(terminatorText(Terminator::CrLf), "\r\n");
}

TEST(EngineModel, readingsStayPlausibleButReallyMove) {
    using L = EngineLimits;
    auto within = [](double v, double lo, double hi) { return v >= lo && v <= hi; };
    for (std::uint64_t seed : {1u, 2u, 99u}) {
        EngineModel engine(seed);
        double minRpm = 1e9, maxRpm = 0, maxPsi = 0, lastRpm = 0;
        Reading r;
        for (int i = 0; i < 30000; ++i) { // ten minutes at 50 records a second
            const bool hz = i >= 15000;
            r = engine.step(0.02, hz ? 3 : 1);
            ASSERT_TRUE(
                within(r.rpm, L::kMinRpm, L::kMaxRpm) &&
                within(r.pressureAbsPsi, L::kMinPsi, L::kMaxPsi) &&
                within(r.tempF, L::kMinTempF, L::kMaxTempF) &&
                within(r.wb1, L::kMinAfr, L::kMaxAfr) && within(r.wb2, L::kMinAfr, L::kMaxAfr) &&
                within(r.airflow, hz ? L::kMinHz : L::kMinVolts, hz ? L::kMaxHz : L::kMaxVolts))
                << formatRecord(r);
            ASSERT_TRUE(i == 0 || std::abs(r.rpm - lastRpm) < 300) << "an engine has inertia";
            minRpm = std::min(minRpm, r.rpm);
            maxRpm = std::max(maxRpm, r.rpm);
            maxPsi = std::max(maxPsi, r.pressureAbsPsi);
            lastRpm = r.rpm;
        }
        EXPECT_TRUE(minRpm < 1000 && maxRpm > 5000 && maxPsi > 20 && r.tempF > 150)
            << "idles, pulls, boosts and warms up; seed " << seed;
    }
}

TEST(EngineModel, theSeedDecidesEveryReading) {
    EngineModel a(42), b(42), c(43);
    bool differs = false;
    for (int i = 0; i < 200; ++i) {
        const std::string ra = formatRecord(a.step(0.02, 1));
        EXPECT_EQ(ra, formatRecord(b.step(0.02, 1)));
        differs = differs || ra != formatRecord(c.step(0.02, 1));
    }
    EXPECT_TRUE(differs);
}
