#include "CommandParser.h"

#include <gtest/gtest.h>

using namespace tvxsim;
using Kind = Command::Kind;

namespace {

struct Fed {
    std::vector<std::string> commands; // texts that parsed
    std::vector<std::string> ignored;
};

Fed feed(CommandParser& parser, const std::vector<std::string>& pieces) {
    Fed fed;
    for (const std::string& piece : pieces) {
        for (const Received& received : parser.feed(piece)) {
            (received.command ? fed.commands : fed.ignored).push_back(received.text);
        }
    }
    return fed;
}

} // namespace

TEST(ParseCommand, takesExactlyWhatTheHostWrites) {
    EXPECT_EQ(parseCommand("<201>")->kind, Kind::StopStream);
    EXPECT_EQ(parseCommand("<121>")->kind, Kind::SendTable);
    EXPECT_EQ(parseCommand("<255>")->kind, Kind::StartStream);
    EXPECT_EQ(parseCommand("<242>")->intake, 2);
    const auto extreme = parseCommand("<234,399:-32768>");
    ASSERT_TRUE(extreme);
    EXPECT_EQ(*extreme, (Command{Kind::WriteCell, 0, 399, -32768}));
    EXPECT_EQ(*parseCommand("<234,0:0>"), (Command{Kind::WriteCell, 0, 0, 0}));

    for (const char* bad :
         {"<244>", "<240>", "<234>", "<2010>", "< 201>", "<234,5>", "<234,5:>", "<234,:5>",
          "<234,400:1>", "<234,-1:1>", "<234,05:1>", "<234,5:007>", "<234,5:+3>", "<234,5:-0>",
          "<234,5:32768>", "<234,5:-32769>", "<234, 5:3>", "<234,5:3:4>", "<234;5:3>"}) {
        EXPECT_FALSE(parseCommand(bad)) << bad;
    }
}

TEST(CommandParser, backToBackCommandsComeOutWholeWhereverTheBytesAreCut) {
    const std::string wire = "<201><121><234,37:112><255><243><234,5:-3>";
    const std::vector<std::string> expected = {"<201>", "<121>", "<234,37:112>",
                                               "<255>", "<243>", "<234,5:-3>"};
    std::vector<std::string> bytes;
    for (std::size_t cut = 0; cut <= wire.size(); ++cut) {
        CommandParser parser;
        const Fed fed = feed(parser, {wire.substr(0, cut), wire.substr(cut)});
        EXPECT_EQ(fed.commands, expected) << "cut at " << cut;
        EXPECT_TRUE(fed.ignored.empty());
        bytes.push_back(wire.substr(cut, 1));
    }
    CommandParser bytewise;
    EXPECT_EQ(feed(bytewise, bytes).commands, expected);
}

TEST(CommandParser, junkIsHandedBackInBoundedPiecesAndParsingRecovers) {
    CommandParser parser;
    const Fed fed = feed(parser, {std::string("x\0<23<201>", 10), "<234,400:1>",
                                  "<234,1:" + std::string(33, '9'), "<121>"});
    EXPECT_EQ(fed.commands, (std::vector<std::string>{"<201>", "<121>"}));
    ASSERT_EQ(fed.ignored.size(), 5u);
    EXPECT_EQ(fed.ignored[0], std::string("x\0", 2));
    EXPECT_EQ(fed.ignored[1], "<23"); // cut short by the next "<"
    EXPECT_EQ(fed.ignored[2], "<234,400:1>");
    EXPECT_EQ(fed.ignored[3].size(), CommandParser::kMaxMessage); // an endless "message"
    EXPECT_EQ(fed.ignored[4], "99999999");
}

TEST(Printable, escapesWhatWouldBreakAOneLineLog) {
    EXPECT_EQ(printable("<234,5:-3>"), "<234,5:-3>");
    EXPECT_EQ(printable(std::string("a\0\\\xff\r\n", 6)), "a\\x00\\x5C\\xFF\\x0D\\x0A");
}
