#include "link/Protocol.h"

#include <gtest/gtest.h>

TEST(Commands, framesAndIntakeCodes) {
    EXPECT_STREQ(command::kRealTimeOff, "<201>");
    EXPECT_STREQ(command::kSendTable, "<121>");
    EXPECT_STREQ(command::kRealTimeOn, "<255>");
    EXPECT_EQ(command::SetIntake(1), "<241>");
    EXPECT_EQ(command::SetIntake(3), "<243>");
}

TEST(CellWriteMessage, signsAndLengths) {
    EXPECT_EQ(CellWriteMessage(37, 112), "<234,37:112>");
    EXPECT_EQ(CellWriteMessage(5, -3), "<234,5:-3>");
    EXPECT_EQ(CellWriteMessage(399, 255), "<234,399:255>");
    EXPECT_EQ(CellWriteMessage(0, 0), "<234,0:0>");
    EXPECT_EQ(CellWriteMessage(0, 0).size(), 9u);
    EXPECT_EQ(CellWriteMessage(399, -32768), "<234,399:-32768>");
    EXPECT_EQ(CellWriteMessage(399, -32768).size(), 16u);
}

TEST(SplitFields, keepsEmptyFieldsAtEveryComma) {
    const auto fields = SplitFields(",a,,b,");
    ASSERT_EQ(fields.size(), 5u);
    EXPECT_EQ(fields[0], "");
    EXPECT_EQ(fields[1], "a");
    EXPECT_EQ(fields[4], "");
    EXPECT_EQ(SplitFields("").size(), 1u);
}

TEST(MarkerRule, lastExact255AmongTheFirstSixWins) {
    EXPECT_EQ(FindMarker(SplitFields("1,255,3,4,255,6,7,8,9,10,11")), 4);
    EXPECT_EQ(FindMarker(SplitFields("255,1,255,4,5,6,7,8,9")), 2);
    EXPECT_EQ(FindMarker(SplitFields("0,1,2,3,4,5,255,7,8,9")), 0);
    EXPECT_EQ(FindMarker(SplitFields("0, 255,0255,255.0,4,5,6,7")), 0);
    EXPECT_EQ(FindMarker(SplitFields("255")), 0);
    EXPECT_EQ(FindMarker(SplitFields("1,2,255")), 2);
}

TEST(Numbers, acceptDecimalTextWithBlanksAndLineEndsOnly) {
    EXPECT_EQ(ParseNumber("14.7"), 14.7);
    EXPECT_EQ(ParseNumber(" -3 "), -3.0);
    EXPECT_EQ(ParseNumber("14.9\r\n"), 14.9);
    EXPECT_EQ(ParseNumber("+2."), 2.0);
    EXPECT_EQ(ParseNumber(".5"), 0.5);
    EXPECT_EQ(ParseNumber("1e3"), 1000.0);
    EXPECT_EQ(ParseNumber("-0"), 0.0);
    for (const char* bad : {"", " ", "abc", "1.2.3", "nan", "inf", "0x10", "1e", "--1", "1,0",
                            "12a", ".", "+", "1e999"}) {
        EXPECT_FALSE(ParseNumber(bad)) << bad;
    }
    EXPECT_FALSE(ParseNumber(std::string_view("1\0", 2)));
}

TEST(Numbers, sixteenBitConversionRoundsHalvesToEven) {
    EXPECT_EQ(ToInt16("2.5"), 2);
    EXPECT_EQ(ToInt16("3.5"), 4);
    EXPECT_EQ(ToInt16("-2.5"), -2);
    EXPECT_EQ(ToInt16("2.51"), 3);
    EXPECT_EQ(ToInt16("32767.4"), 32767);
    EXPECT_EQ(ToInt16("-32768.5"), -32768);
    EXPECT_FALSE(ToInt16("32767.5"));
    EXPECT_FALSE(ToInt16("32768"));
    EXPECT_FALSE(ToInt16("-32769"));
    EXPECT_FALSE(ToInt16("1e308"));
}

namespace {

std::string Reply(int fields) {
    std::string text;
    for (int k = 0; k < fields; ++k) {
        text += (k ? "," : "") + std::to_string(k % 300);
    }
    return text;
}

} // namespace

TEST(TableReply, fields441OnAreIgnored) {
    const auto parsed = ParseTableReply(Reply(445));
    ASSERT_TRUE(std::holds_alternative<TableReply>(parsed));
    const TableReply& reply = std::get<TableReply>(parsed);
    EXPECT_EQ(reply.table[0], 0);
    EXPECT_EQ(reply.table[399], 99);
    EXPECT_EQ(reply.table[439], 139);
    EXPECT_EQ(reply.intakeType, 140);
}

TEST(TableReply, shortOrBrokenRepliesAreRefusedWithAReason) {
    const auto shortReply = ParseTableReply(Reply(440));
    ASSERT_TRUE(std::holds_alternative<ParseError>(shortReply));
    EXPECT_NE(std::get<ParseError>(shortReply).reason.find("440 of 441"), std::string::npos);

    std::string broken = Reply(441);
    broken.replace(broken.find(",7,"), 3, ",x,");
    EXPECT_TRUE(std::holds_alternative<ParseError>(ParseTableReply(broken)));
    std::string tooBig = "40000" + Reply(441).substr(1);
    EXPECT_TRUE(std::holds_alternative<ParseError>(ParseTableReply(tooBig)));
}

TEST(TableReply, fractionsAndCrLfAreTakenAsNumbers) {
    std::string text = "2.5,3.5" + Reply(441).substr(3) + "\r\n";
    const auto parsed = ParseTableReply(text);
    ASSERT_TRUE(std::holds_alternative<TableReply>(parsed));
    EXPECT_EQ(std::get<TableReply>(parsed).table[0], 2);
    EXPECT_EQ(std::get<TableReply>(parsed).table[1], 4);
}

TEST(LiveRecord, decodesFromTheMarker) {
    const auto parsed = ParseLiveRecord("9,255,14.7,800,180,14.7,2.5,14.9,1,2");
    ASSERT_TRUE(std::holds_alternative<LiveRecord>(parsed));
    const LiveRecord& r = std::get<LiveRecord>(parsed);
    EXPECT_EQ(r.pressure, 14.7);
    EXPECT_EQ(r.rpm, 800.0f);
    EXPECT_EQ(r.temperature, 180.0f);
    EXPECT_EQ(r.wideband1, 14.7f);
    EXPECT_EQ(r.airflow, 2.5);
    EXPECT_EQ(r.wideband2, 14.9f);
}

TEST(LiveRecord, shortOrNonNumericRecordsAreRefusedWhole) {
    EXPECT_TRUE(std::holds_alternative<ParseError>(ParseLiveRecord("255,1,2,3,4,5")));
    EXPECT_TRUE(std::holds_alternative<ParseError>(ParseLiveRecord("1,2,3,255,4,5,6,7,8")));
    EXPECT_TRUE(std::holds_alternative<ParseError>(ParseLiveRecord("255,1,2,x,4,5,6")));
    EXPECT_TRUE(std::holds_alternative<ParseError>(ParseLiveRecord("255,1,2,1e39,4,5,6")));
    EXPECT_TRUE(std::holds_alternative<LiveRecord>(ParseLiveRecord("255,1,2,3,4,5,6\r\n")));
}
