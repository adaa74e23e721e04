#include "Faults.h"
#include "Split.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tvxsim;

namespace {

const std::string kRecord = "255,14.7,800,180,14.7,2.5,14.9";

// The run of bytes inserted into clean to make wire, if that is all that differs.
std::optional<std::string> oneInsertion(const std::string& wire, const std::string& clean) {
    const std::size_t extra = wire.size() - std::min(wire.size(), clean.size());
    for (std::size_t at = 0; extra > 0 && at <= clean.size(); ++at) {
        if (wire.compare(0, at, clean, 0, at) == 0 &&
            wire.compare(at + extra, std::string::npos, clean, at) == 0) {
            return wire.substr(at, extra);
        }
    }
    return std::nullopt;
}

} // namespace

TEST(CorruptRecord, eachFaultLeavesTheRestOfTheRecordIntact) {
    Random random(3);
    EXPECT_EQ(corruptRecord(kRecord, "\r\n", RecordFaults{}, random), kRecord + "\r\n");

    for (int i = 0; i < 200; ++i) {
        const auto junk = oneInsertion(corruptRecord(kRecord, ",", {1.0}, random), kRecord + ",");
        ASSERT_TRUE(junk);
        EXPECT_TRUE(junk->size() <= 8 && junk->find('\0') == std::string::npos);
    }
    int withNul = 0;
    for (int i = 0; i < 1000; ++i) {
        const std::string wire = corruptRecord(kRecord, ",", {0.0, true}, random);
        if (wire != kRecord + ",") {
            const auto nuls = oneInsertion(wire, kRecord + ",");
            ASSERT_TRUE(nuls && nuls->find_first_not_of('\0') == std::string::npos);
            ++withNul;
        }
    }
    EXPECT_NEAR(withNul, 1000 * kNulChance, 40) << "seeded, so exact; about the documented rate";
}

TEST(WithLongField, replacesOneValueFieldButNeverTheMarker) {
    Random random(5);
    for (int i = 0; i < 100; ++i) {
        const auto fields = split(withLongField(kRecord, 12, random), ",");
        ASSERT_EQ(fields.size(), 7u);
        EXPECT_EQ(fields[0], "255");
        EXPECT_EQ(
            std::count_if(fields.begin(), fields.end(), [](auto& f) { return f.size() == 12; }), 1);
    }
}
