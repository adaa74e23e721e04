// What every text input goes through, read in bounded pieces, and text from outside echoed to a
// terminal made harmless.
#include "common/Printable.h"
#include "common/TextLines.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {

// Every line, "|" after each, "~" where one ended without its line end; then the fault if any.
std::string Lines(std::string_view text) {
    TextLines lines = TextLines::Of(text);
    std::string seen;
    bool terminated = false;
    while (const auto line = lines.next(terminated)) {
        seen += std::string(*line) + (terminated ? "|" : "~");
    }
    return seen + (lines.fault() ? "! " + *lines.fault() : "");
}

} // namespace

TEST(TextLines, linesComeWholeAndWhatNoTextHoldsIsNamed) {
    const std::string longLine(TextLines::kMaxLineBytes + 1, 'x');
    const std::string justFits(TextLines::kMaxLineBytes, 'y');
    const struct {
        std::string text;
        std::string seen;
    } cases[] = {
        {"a\nb\r\nc", "a|b|c~"},
        {"\xEF\xBB\xBFTime\n", "Time|"}, // a byte-order mark is skipped
        {"", ""},
        {"\n\n", "||"},
        {justFits + "\nz\n", justFits + "|z|"},
        {"a\n" + longLine + "\nb\n", "a|! line 2 is longer than 64 KiB"},
        {"a\n" + longLine, "a|! line 2 is longer than 64 KiB"},
        {"a\nb\0c\n"s, "a|! line 2 holds a NUL byte; it is no text"},
        {std::string(3'000'000, '\0'), "! line 1 holds a NUL byte; it is no text"},
        {"\xFF\xFET\0i\0m\0e\0"s, "! it is UTF-16 text; save it as UTF-8"},
        {"T\0i\0m\0e\0"s, "! it is UTF-16 text; save it as UTF-8"},
        {"\xFE\xFF\0T"s, "! it is UTF-16 text; save it as UTF-8"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Lines(c.text), c.seen) << c.text.substr(0, 20);
    }
}

TEST(TextLines, aLongTextIsReadInPiecesWithLinesAcrossThem) {
    std::string text;
    for (int k = 0; k < 100000; ++k) {
        text += std::to_string(k) + "\n";
    }
    TextLines lines = TextLines::Of(text);
    bool terminated = false;
    int k = 0;
    for (; const auto line = lines.next(terminated); ++k) {
        ASSERT_EQ(*line, std::to_string(k));
    }
    EXPECT_EQ(k, 100000);
    EXPECT_EQ(lines.number(), 100000u);
}

TEST(Printable, controlCharactersAndBytesThatAreNoUtf8AreEscaped) {
    const struct {
        std::string text;
        std::string shown;
    } cases[] = {
        {"drive.msl", "drive.msl"},
        {"\x1b]0;owned\x07", "\\x1b]0;owned\\x07"},
        {"a\tb\nc\x7f", "a\\x09b\\x0ac\\x7f"},
        {"Bremsstärke ✓ 🚗", "Bremsstärke ✓ 🚗"},
        {"\xC2\x9B"
         "2J",
         "\\xc2\\x9b2J"},                    // C1 control sequence introducer
        {"\xFF\xC3(", "\\xff\\xc3("},        // not UTF-8
        {"\xE2\x82", "\\xe2\\x82"},          // cut short
        {"\xC0\xAF", "\\xc0\\xaf"},          // overlong
        {"\xED\xA0\x80", "\\xed\\xa0\\x80"}, // a surrogate
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Printable(c.text), c.shown);
    }
}
