#include "link/InputFramer.h"
#include "Fakes.h"

#include <gtest/gtest.h>

namespace {

const std::string kRecordA = "255,14.7,800,180,14.7,2.5,14.9";
const std::string kRecordB = "255,20.1,2250,181,13.2,3.1,12.8";

std::string Reply441() {
    return TableReplyText([](int i) { return i % 100; }, 2);
}

} // namespace

TEST(LiveFraming, aRecordSplitAcrossReadsIsTakenOnceAndWhole) {
    InputFramer framer;
    framer.feed("255,14.7,80");
    EXPECT_FALSE(framer.takeNewestRecord(false));
    framer.feed("0,180,14.7,2.5,14.9,");
    EXPECT_EQ(framer.takeNewestRecord(false), kRecordA);
    EXPECT_FALSE(framer.takeNewestRecord(false));
    EXPECT_EQ(framer.pendingSize(), 0u);
}

TEST(LiveFraming, aBurstShowsTheNewestWholeRecordAndKeepsTheIncompleteTail) {
    InputFramer framer;
    framer.feed(kRecordA + "," + kRecordB + "," + kRecordA + ",255,1");
    EXPECT_EQ(framer.takeNewestRecord(false), kRecordA);
    EXPECT_EQ(framer.skippedRecords(), 2u);
    framer.feed("9.9,3000,1,2,3,4,");
    EXPECT_EQ(framer.takeNewestRecord(false), "255,19.9,3000,1,2,3,4");
}

TEST(LiveFraming, everyRecordEndingIsUnderstood) {
    for (const std::string separator : {",", "\r\n", "\n"}) {
        InputFramer framer;
        framer.feed(kRecordA + separator + kRecordB + separator);
        EXPECT_EQ(framer.takeNewestRecord(false), kRecordB) << separator.size();
    }
    // Records run together with nothing between them: the marker sits glued to the last field.
    InputFramer glued;
    glued.feed(kRecordA + kRecordB + kRecordA);
    EXPECT_EQ(glued.takeNewestRecord(false), kRecordB);
    EXPECT_EQ(glued.takeNewestRecord(true), kRecordA);
    InputFramer bigLast;
    bigLast.feed("255,1,2,3,4,5,1255" + kRecordB);
    EXPECT_EQ(bigLast.takeNewestRecord(true), kRecordB);
    InputFramer bigLastComma;
    bigLastComma.feed("255,1,2,3,4,5,1255," + kRecordB + ",");
    EXPECT_EQ(bigLastComma.takeNewestRecord(false), kRecordB);
    EXPECT_EQ(bigLastComma.skippedRecords(), 1u);
}

TEST(LiveFraming, gluedRecordsAreFoundAgainAfterALostRecord) {
    InputFramer framer;
    const std::string stream = kRecordA + kRecordB + kRecordA + kRecordB;
    framer.feed(stream.substr(0, 12)); // "255,14.7,800"
    framer.takeNewestRecord(true);     // a pause cut the first record: dropped
    framer.feed(stream.substr(12));
    EXPECT_EQ(framer.takeNewestRecord(false), kRecordA);
    EXPECT_EQ(framer.takeNewestRecord(true), kRecordB);
}

TEST(LiveFraming, garbageBeforeAMarkerIsSkipped) {
    InputFramer framer;
    framer.feed(std::string("x\0y,,0255, 255,", 15) + kRecordA + ",");
    EXPECT_EQ(framer.takeNewestRecord(false), kRecordA);
}

TEST(LiveFraming, aQuietLineEndsTheLastRecordOrHandsOverWhatHasNoMarker) {
    InputFramer framer;
    framer.feed(kRecordA);
    EXPECT_FALSE(framer.takeNewestRecord(false)); // its last field may still be arriving
    EXPECT_EQ(framer.takeNewestRecord(true), kRecordA);

    framer.feed("1,2,3,4,5,6,7");
    EXPECT_FALSE(framer.takeNewestRecord(false));
    EXPECT_EQ(framer.takeNewestRecord(true), "1,2,3,4,5,6,7");
    EXPECT_EQ(framer.pendingSize(), 0u);
}

TEST(LiveFraming, pendingInputStaysBounded) {
    InputFramer framer;
    const std::string noComma(100000, '7');
    for (int i = 0; i < 20; ++i) {
        framer.feed(noComma);
        framer.takeNewestRecord(false);
        EXPECT_LE(framer.pendingSize(), InputFramer::kMaxPending);
    }
    EXPECT_GT(framer.droppedBytes(), 0u);
    framer.clear();
    framer.feed(kRecordA + ",");
    EXPECT_EQ(framer.takeNewestRecord(false), kRecordA);
}

TEST(TableFraming, aReplyIsAssembledAcrossReads) {
    InputFramer framer;
    const std::string reply = Reply441();
    for (std::size_t i = 0; i < reply.size(); i += 97) {
        framer.feed(reply.substr(i, 97));
        if (i + 97 < reply.size()) {
            EXPECT_FALSE(framer.takeTableReply(false));
        }
    }
    EXPECT_FALSE(framer.takeTableReply(false)); // the intake field may not have ended
    EXPECT_EQ(framer.takeTableReply(true), reply);
}

TEST(TableFraming, aTerminatedReplyIsTakenAtOnceAndWhatFollowsStays) {
    InputFramer framer;
    framer.feed(Reply441() + "\r\n" + kRecordA + ",");
    EXPECT_EQ(framer.takeTableReply(false), Reply441());
    EXPECT_EQ(framer.takeNewestRecord(false), kRecordA);

    framer.feed(Reply441() + ",9,9,9,9");
    EXPECT_EQ(framer.takeTableReply(false), Reply441());
}

TEST(TableFraming, aShortReplyIsHandedOverOnlyWhenTheLineFallsQuiet) {
    InputFramer framer;
    framer.feed("1,2,3");
    EXPECT_FALSE(framer.takeTableReply(false));
    EXPECT_EQ(framer.takeTableReply(true), "1,2,3");
    EXPECT_FALSE(framer.takeTableReply(true));
}

TEST(LinkInCore, splitRecordsNeverShowHalfValues) {
    CoreHarness h;
    h.ConnectWithTable(Reply441());
    h.form.btnRT_Click();
    const std::string stream = kRecordA + "," + kRecordB + ",";
    for (std::size_t cut = 1; cut < stream.size(); ++cut) {
        h.Feed(stream.substr(0, cut));
        const std::string rpm = h.boxes.texts[TextBox::Rpm];
        EXPECT_TRUE(rpm.empty() || rpm == "800 RPM" || rpm == "2250 RPM") << cut << " " << rpm;
        h.Feed(stream.substr(cut));
        EXPECT_EQ(h.boxes.texts[TextBox::Rpm], "2250 RPM");
        EXPECT_EQ(h.boxes.texts[TextBox::WB2], "12.8 A/F");
    }
}

TEST(LinkInCore, aTableReplyInPiecesFillsTheTableOnce) {
    CoreHarness h;
    h.Connect();
    const std::string reply = Reply441() + "\r\n";
    h.Feed(reply.substr(0, 1000));
    EXPECT_EQ(h.form.awaitingTable, 1);
    h.Feed(reply.substr(1000));
    EXPECT_EQ(h.form.awaitingTable, 0);
    EXPECT_EQ(h.form.veTable[399], 99);
    EXPECT_EQ(h.boxes.texts[TextBox::IntakeType], "Dual POP");
}

TEST(LinkInCore, aLostPortForgetsHalfAReplyAndSaysSo) {
    CoreHarness h;
    h.ConnectWithTable(Reply441());
    const VeTable before = h.form.veTable;
    h.Connect();
    h.Feed(Reply441().substr(0, 500));
    h.form.SerialPortLost("COM 1 (/dev/x): gone");
    h.LineQuiet();
    EXPECT_EQ(h.timer.runningMs, 0);
    EXPECT_EQ(h.form.veTable, before);
    EXPECT_EQ(h.status.last(),
              "Port lost: COM 1 (/dev/x): gone; choose Connect once the device is back");
    h.ConnectWithTable(TableReplyText([](int) { return 3; }));
    EXPECT_EQ(h.form.veTable[0], 3);
}

TEST(LinkInCore, aTruncatedReplyIsRefusedWhenTheLineFallsQuiet) {
    CoreHarness h;
    h.ConnectWithTable(Reply441());
    const VeTable before = h.form.veTable;
    h.Connect();
    h.Feed(Reply441().substr(0, 500));
    h.LineQuiet();
    EXPECT_EQ(h.form.veTable, before);
    EXPECT_EQ(h.form.awaitingTable, 0);
    EXPECT_NE(h.status.last().find("too short"), std::string::npos);
}
