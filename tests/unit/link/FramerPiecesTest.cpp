// Where a read happens to end must not change which records the framer finds.
#include "link/InputFramer.h"

#include <gtest/gtest.h>

namespace {

const std::string kRecordA = "255,14.7,800,180,14.7,2.5,14.9";
const std::string kRecordB = "255,20.1,2250,181,13.2,3.1,12.8";

} // namespace

// Records run together ("14.9255,20.1,...") and a read ends just after B's glued marker: the
// framer must wait for the next field before it decides where A ends.
TEST(FramerPieces, aReadEndingJustAfterAGluedMarkerStillGivesBothRecords) {
    InputFramer whole;
    whole.feed(kRecordA + kRecordB + ",");
    EXPECT_EQ(whole.takeNewestRecord(false), kRecordB);

    InputFramer framer;
    framer.feed(kRecordA + "255,");
    const std::optional<std::string> first = framer.takeNewestRecord(false);
    EXPECT_TRUE(!first || *first == kRecordA) << *first;
    framer.feed(kRecordB.substr(4) + ",");
    EXPECT_EQ(framer.takeNewestRecord(false), kRecordB);
}
