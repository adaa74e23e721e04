// The device's messages: every kind of bad number or field is refused here, once.
#include "link/Protocol.h"

#include <gtest/gtest.h>

TEST(MarkerRule, lastExact255AmongTheFirstSixWins) {
    const std::pair<const char*, int> cases[] = {
        {"1,255,3,4,255,6,7,8,9,10,11", 4},
        {"255,1,255,4,5,6,7,8,9", 2},
        {"0,1,2,3,4,5,255,7,8,9", 0},
        {"0, 255,0255,255.0,4,5,6,7", 0},
        {"1,2,255", 2},
        {"0,1,2,3,4,255,6", 5},
    };
    for (const auto& [text, marker] : cases) {
        EXPECT_EQ(FindMarker(SplitFields(text)), marker) << text;
    }
}

TEST(Numbers, onlyPlainDecimalTextIsANumber) {
    const std::pair<const char*, double> accepted[] = {{"14.7", 14.7},     {" -3 ", -3.0},
                                                       {"14.9\r\n", 14.9}, {"+2.", 2.0},
                                                       {".5", 0.5},        {"1e3", 1000.0}};
    for (const auto& [text, value] : accepted) {
        EXPECT_EQ(ParseNumber(text), value) << text;
    }
    for (const char* bad : {"", " ", "abc", "1.2.3", "nan", "inf", "-inf", "0x10", "1e", "--1",
                            "1,0", "12a", ".", "+", "1e999", "1 2"}) {
        EXPECT_FALSE(ParseNumber(bad)) << bad;
    }
    EXPECT_FALSE(ParseNumber(std::string_view("1\0", 2)));
}

TEST(Numbers, sixteenBitValuesRoundHalvesToEvenWithinTheRange) {
    const std::pair<const char*, int> rounded[] = {
        {"2.5", 2},         {"3.5", 4},           {"-2.5", -2},        {"2.51", 3},
        {"32767.4", 32767}, {"-32768.5", -32768}, {"-32767.5", -32768}};
    for (const auto& [text, value] : rounded) {
        EXPECT_EQ(ToInt16(text), value) << text;
    }
    for (const char* outside : {"32767.5", "32768", "-32769", "-32768.51", "1e308"}) {
        EXPECT_FALSE(ToInt16(outside)) << outside;
    }
}

namespace {

std::string Reply(int fields) {
    std::string text;
    for (int k = 0; k < fields; ++k) {
        if (k > 0) {
            text += ','; // not "," + ...: GCC 12 at -O2 reports a false -Wrestrict for that
        }
        text += std::to_string(k % 300);
    }
    return text;
}

} // namespace

TEST(TableReply, takes441FieldsAndIgnoresTheRest) {
    const auto parsed = ParseTableReply("2.5,3.5" + Reply(445).substr(3) + "\r\n");
    ASSERT_TRUE(std::holds_alternative<TableReply>(parsed));
    const TableReply& reply = std::get<TableReply>(parsed);
    EXPECT_EQ(reply.table[0], 2);
    EXPECT_EQ(reply.table[1], 4);
    EXPECT_EQ(reply.table[399], 99);
    EXPECT_EQ(reply.table[439], 139);
    EXPECT_EQ(reply.intakeType, 140);
}

TEST(TableReply, aShortReplyOrABadFieldRefusesItWhole) {
    std::string badField = Reply(441);
    badField.replace(badField.find(",7,"), 3, ",x,");
    const std::pair<std::string, const char*> cases[] = {
        {Reply(440), "440 of 441"},
        {badField, "field 7"},
        {"40000" + Reply(441).substr(1), "field 0"},
        {Reply(440) + ",nan", "field 440"},
    };
    for (const auto& [text, reason] : cases) {
        const auto parsed = ParseTableReply(text);
        ASSERT_TRUE(std::holds_alternative<ParseError>(parsed)) << reason;
        EXPECT_NE(std::get<ParseError>(parsed).reason.find(reason), std::string::npos)
            << std::get<ParseError>(parsed).reason;
    }
}

TEST(LiveRecord, decodesTheSixFieldsAfterTheMarker) {
    const auto parsed = ParseLiveRecord("9,255,14.7,800,180,14.7,2.5,14.9,1,2\r\n");
    ASSERT_TRUE(std::holds_alternative<LiveRecord>(parsed));
    const LiveRecord& r = std::get<LiveRecord>(parsed);
    EXPECT_EQ(r.pressure, 14.7);
    EXPECT_EQ(r.rpm, 800.0f);
    EXPECT_EQ(r.temperature, 180.0f);
    EXPECT_EQ(r.wideband1, 14.7f);
    EXPECT_EQ(r.airflow, 2.5);
    EXPECT_EQ(r.wideband2, 14.9f);
}

TEST(LiveRecord, aShortRecordOrABadFieldRefusesItWhole) {
    for (const char* bad :
         {"255,1,2,3,4,5", "1,2,3,255,4,5,6,7,8", "255,1,2,x,4,5,6", "255,1,2,3,4,5,1e39", ""}) {
        EXPECT_TRUE(std::holds_alternative<ParseError>(ParseLiveRecord(bad))) << bad;
    }
}
