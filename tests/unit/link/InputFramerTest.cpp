// What one read is: records and replies cut, glued and interrupted as a real line delivers them.
#include "link/InputFramer.h"
#include "Fakes.h"

#include <gtest/gtest.h>

namespace {

const std::string kRecordA = "255,14.7,800,180,14.7,2.5,14.9";
const std::string kRecordB = "255,20.1,2250,181,13.2,3.1,12.8";
const std::string kReply = TableReplyText([](int i) { return i % 100; }, 2);

using Taken = std::vector<std::string>;

// Feeds the pieces one read each and collects every record taken on the way.
Taken Records(const std::vector<std::string>& reads, bool quietAtEnd) {
    InputFramer framer;
    std::vector<std::string> taken;
    for (const std::string& read : reads) {
        framer.feed(read);
        for (std::string& record : framer.takeRecords(false)) {
            taken.push_back(std::move(record));
        }
    }
    for (std::string& record : quietAtEnd ? framer.takeRecords(true) : Taken{}) {
        taken.push_back(std::move(record));
    }
    return taken;
}

} // namespace

TEST(LiveFraming, aStreamCutAtAnyPointGivesWholeRecordsOnly) {
    for (const std::string separator : {",", "\r\n", "\n", ""}) {
        const std::string stream = kRecordA + separator + kRecordB + separator + kRecordA;
        for (std::size_t cut = 1; cut < stream.size(); ++cut) {
            const auto taken = Records({stream.substr(0, cut), stream.substr(cut)}, true);
            ASSERT_FALSE(taken.empty()) << cut;
            for (const std::string& record : taken) {
                EXPECT_TRUE(record == kRecordA || record == kRecordB)
                    << "cut " << cut << " sep " << separator.size() << ": " << record;
            }
            EXPECT_EQ(taken.back(), kRecordA) << cut;
        }
    }
}

TEST(LiveFraming, aBurstGivesEveryWholeRecordInOrderAndKeepsTheIncompleteTail) {
    InputFramer framer;
    framer.feed(kRecordA + "," + kRecordB + "," + kRecordA + ",255,1");
    EXPECT_EQ(framer.takeRecords(false), (Taken{kRecordA, kRecordB, kRecordA}));
    EXPECT_EQ(framer.skippedRecords(), 2u);
    framer.feed("9.9,3000,1,2,3,4,");
    EXPECT_EQ(framer.takeRecords(false), Taken{"255,19.9,3000,1,2,3,4"});
}

TEST(LiveFraming, gluedRecordsAndLastFieldsEndingIn255) {
    const struct {
        std::string stream;
        bool quiet;
        std::vector<std::string> taken;
    } cases[] = {
        {kRecordA + kRecordB + kRecordA, true, {kRecordA, kRecordB, kRecordA}},
        {"255,1,2,3,4,5,1255" + kRecordB, true, {"255,1,2,3,4,5,1255", kRecordB}},
        {"255,1,2,3,4,5,1255," + kRecordB + ",", false, {"255,1,2,3,4,5,1255", kRecordB}},
        // Found again after a lost start, and not fooled by an RPM of exactly 255.
        {"3.1,12.8255,14.7,255,180,14.7,2.5,14.9" + kRecordB + ",",
         false,
         {"255,14.7,255,180,14.7,2.5,14.9", kRecordB}},
        {std::string("x\0y,,0255, 255,", 15) + kRecordA + ",", false, {kRecordA}},
    };
    for (const auto& c : cases) {
        InputFramer framer;
        framer.feed(c.stream);
        std::vector<std::string> taken;
        for (bool quiet : {false, c.quiet}) {
            for (std::string& record : framer.takeRecords(quiet)) {
                taken.push_back(std::move(record));
            }
        }
        EXPECT_EQ(taken, c.taken) << c.stream;
    }
}

TEST(LiveFraming, readsEndingAtAGluedMarkerOrBeforeItsLookAheadLoseNothing) {
    const std::string withRpm255 = "255,14.7,255,180,14.7,2.5,14.9";
    const std::vector<std::vector<std::string>> splits = {
        {kRecordA + "255,", kRecordB.substr(4) + ","},
        {"3.1,12.8" + withRpm255, kRecordB + ","}, // ends inside a glued start's look-ahead
    };
    for (const auto& reads : splits) {
        const auto taken = Records(reads, false);
        ASSERT_FALSE(taken.empty());
        for (const std::string& record : taken) {
            EXPECT_TRUE(record == kRecordA || record == kRecordB || record == withRpm255) << record;
        }
        EXPECT_EQ(taken.back(), kRecordB) << reads[0];
    }
}

TEST(LiveFraming, aQuietLineEndsWhatIsPendingAndNeverJoinsItToTheNext) {
    InputFramer framer;
    framer.feed(kRecordA);
    EXPECT_TRUE(framer.takeRecords(false).empty()); // its last field may still be arriving
    EXPECT_EQ(framer.takeRecords(true), Taken{kRecordA});

    framer.feed(kRecordA + ",255,14.7,800");
    EXPECT_EQ(framer.takeRecords(true), Taken{kRecordA});
    framer.feed(kRecordB + ",");
    EXPECT_EQ(framer.takeRecords(false), Taken{kRecordB});

    framer.feed("1,2,3,4,5,6,7"); // no marker: handed over whole for the plain marker rule
    EXPECT_TRUE(framer.takeRecords(false).empty());
    EXPECT_EQ(framer.takeRecords(true), Taken{"1,2,3,4,5,6,7"});
    EXPECT_EQ(framer.pendingSize(), 0u);
}

TEST(LiveFraming, pendingInputStaysBoundedAndCountsWhatItDrops) {
    InputFramer framer;
    framer.feed(std::string(InputFramer::kMaxPending, '7'));
    EXPECT_EQ(framer.droppedBytes(), 0u); // the bound itself still fits
    framer.feed("7");
    EXPECT_EQ(framer.droppedBytes(), InputFramer::kMaxPending / 2 + 1);
    for (int i = 0; i < 20; ++i) {
        framer.feed(std::string(100000, '7'));
        framer.takeRecords(false);
        EXPECT_LE(framer.pendingSize(), InputFramer::kMaxPending);
    }
    EXPECT_GT(framer.droppedBytes(), 0u);
    framer.feed(kRecordA + "," + kRecordB + ",");
    EXPECT_EQ(framer.takeRecords(false), (Taken{kRecordA, kRecordB}));
}

TEST(TableFraming, aReplyIsAssembledAcrossReadsAndEndsAtItsLastField) {
    InputFramer framer;
    for (std::size_t i = 0; i < kReply.size(); i += 97) {
        framer.feed(kReply.substr(i, 97));
        EXPECT_FALSE(framer.takeTableReply(false)); // the intake field may not have ended
    }
    EXPECT_EQ(framer.takeTableReply(true), kReply);

    framer.feed(kReply + "\r\n" + kRecordA + ",");
    EXPECT_EQ(framer.takeTableReply(false), kReply);
    EXPECT_EQ(framer.takeRecords(false), Taken{kRecordA});
    framer.feed(kReply + ",9,9,9,9");
    EXPECT_EQ(framer.takeTableReply(false), kReply);
    framer.clear();
    framer.feed("1,2,3"); // a short reply is judged only once the line falls quiet
    EXPECT_FALSE(framer.takeTableReply(false));
    EXPECT_EQ(framer.takeTableReply(true), "1,2,3");
}
