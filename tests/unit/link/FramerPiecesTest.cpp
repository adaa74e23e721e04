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

// The line falls quiet with half a record pending, then a fresh record arrives. The half record
// must not run into the new marker ("255,14.7,800255,...", every field a number).
TEST(FramerPieces, halfARecordLeftWhenTheLineFellQuietIsNotJoinedToTheNext) {
    InputFramer framer;
    framer.feed(kRecordA + ",255,14.7,800");
    EXPECT_EQ(framer.takeNewestRecord(true), kRecordA);
    framer.feed(kRecordB + ",");
    EXPECT_EQ(framer.takeNewestRecord(false), kRecordB);
}

// Glued records while the framer is finding its way back into the stream, one of them with an
// RPM of exactly 255. A read ending inside A's last value must not make the framer give up the
// glued start and take the RPM's 255 for a marker.
TEST(FramerPieces, aReadEndingBeforeTheLookAheadOfAGluedStartKeepsThatStart) {
    const std::string withRpm255 = "255,14.7,255,180,14.7,2.5,14.9";
    const std::string stream = "3.1,12.8" + withRpm255 + kRecordB + ",";
    InputFramer whole;
    whole.feed(stream);
    EXPECT_EQ(whole.takeNewestRecord(false), kRecordB);

    const std::size_t cut = stream.find("14.9") + 4;
    InputFramer framer;
    framer.feed(stream.substr(0, cut));
    const std::optional<std::string> first = framer.takeNewestRecord(false);
    EXPECT_TRUE(!first || *first == withRpm255) << *first;
    framer.feed(stream.substr(cut));
    EXPECT_EQ(framer.takeNewestRecord(false), kRecordB);
}
