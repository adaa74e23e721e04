// .csv and .json table files: what they hold, that they read back whole, and each refusal.
#include "table/TableFormats.h"
#include "link/Protocol.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

TableFile Sample(bool breakpoints, std::optional<std::int16_t> intake) {
    TableFile file{{}, breakpoints, intake};
    for (int k = 0; k < kCellCount; ++k) {
        file.table[k] = static_cast<std::int16_t>(k * 163 - 32768); // both ends, negatives
    }
    for (int k = 0; breakpoints && k < kLatticeSize; ++k) {
        file.table[kRpmBase + k] = static_cast<std::int16_t>(k * 34 - 327);
        file.table[kPressureBase + k] = static_cast<std::int16_t>(k * 3449 - 32768);
    }
    return file;
}

std::string Refusal(const std::variant<TableFile, std::string>& parsed) {
    const auto* why = std::get_if<std::string>(&parsed);
    return why ? *why : "accepted";
}

} // namespace

TEST(TableFormats, csvAndJsonReadBackEverythingTheyHold) {
    const struct {
        TableFile file;
        TableFile csvGives; // a .csv has no place for the intake type
    } cases[] = {{Sample(true, 3), Sample(true, std::nullopt)},
                 {Sample(false, std::nullopt), Sample(false, std::nullopt)},
                 {Sample(true, std::nullopt), Sample(true, std::nullopt)}};
    for (const auto& c : cases) {
        EXPECT_EQ(Refusal(ParseCsvTable(CsvText(c.file))), "accepted");
        EXPECT_EQ(std::get<TableFile>(ParseCsvTable(CsvText(c.file))), c.csvGives);
        EXPECT_EQ(Refusal(ParseJsonTable(JsonText(c.file))), "accepted");
        EXPECT_EQ(std::get<TableFile>(ParseJsonTable(JsonText(c.file))), c.file);
    }
}

TEST(TableFormats, csvIsTheGridRpmDownPressureAcross) {
    TableFile file{{}, true, std::nullopt};
    file.table[CellIndex(1, 1)] = 21;
    file.table[CellIndex(19, 0)] = -7;
    file.table[kRpmBase + 0] = 65;
    file.table[kPressureBase + 1] = 15;
    const std::string csv = CsvText(file);
    EXPECT_TRUE(csv.starts_with(",-14.6,0.4,-14.6,")) << csv.substr(0, 40);
    EXPECT_NE(csv.find("\n6500,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,-7\n0,0,21,0"),
              std::string::npos);
}

TEST(TableFormats, csvRefusesEachWrongShapeSayingWhere) {
    const std::string good = CsvText(Sample(true, std::nullopt));
    const auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        return text.replace(text.find(from), from.size(), to);
    };
    const struct {
        std::string text;
        const char* reason;
    } cases[] = {
        {good.substr(0, good.rfind('\n', good.size() - 2) + 1), "it has 20 rows"},
        {good + "1\n", "more than 21 rows"},
        {replaced(",-32768,", ",-32768,1,"), "row 2 has 22 fields"},
        {replaced(",-32768,", ",-3x,"), "cell at pressure index 0, RPM index 0 is not a number"},
        {replaced("\n-32700,", "\n,"), "some headers are empty"},
        {replaced("\n-32700,", "\n-32750,"), "RPM header 0 is not a breakpoint"},
        {replaced(",-32782.6,", ",-32782.5,"), "pressure header 0 is not a breakpoint"},
    };
    for (const auto& c : cases) {
        EXPECT_NE(Refusal(ParseCsvTable(c.text)).find(c.reason), std::string::npos)
            << c.reason << ": " << Refusal(ParseCsvTable(c.text));
    }
    EXPECT_EQ(Refusal(ParseCsvTable(good + "\r\n \n")), "accepted"); // blank lines at the end
}

TEST(TableFormats, jsonRefusesEachWrongShape) {
    std::string full = "\"cells\": [";
    for (int k = 0; k < kCellCount; ++k) {
        full += k + 1 < kCellCount ? "1," : "1]";
    }
    const std::string bp = "[1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20]";
    const struct {
        std::string text;
        const char* reason;
    } cases[] = {
        {"[1, 2]", "not a JSON object"},
        {"{" + full + ",}", "syntax error"}, // the JSON library's words
        {"{\"cells\": [1e999]}", "number overflow"},
        {"{" + full + ", \"rpm\": 1}", "\"rpm\" is not a table's member"},
        {"{" + full + ", " + full + "}", "\"cells\" is given twice"},
        {"{\"cells\": [1]}", "\"cells\" has 1 values, not 400"},
        {"{" + full.substr(0, full.size() - 1) + ",1]}", "\"cells\" has 401 values, not 400"},
        {"{" + full + ", \"rpmBreakpoints\": " + bp + "}", "one kind of breakpoints"},
        {"{" + full + ", \"intakeType\": \"1\"}", "\"intakeType\" is not a number"},
        {"{" + full + ", \"pressureBreakpoints\": [true]}", "value 0 is not a number"},
        {"{\"cells\": " + std::string(120000, '[') + std::string(120000, ']') + "}",
         "it nests deeper than 2"}, // refused before anything deep is built
        {"{" + full + ", \"pressureBreakpoints\": [[1]]}", "it nests deeper than 2"},
        {"{" + full + "} x", "expected end of input"}, // the JSON library's words
        {"{\"intakeType\": 1}", "no \"cells\""},
    };
    for (const auto& c : cases) {
        EXPECT_NE(Refusal(ParseJsonTable(c.text)).find(c.reason), std::string::npos)
            << c.reason << ": " << Refusal(ParseJsonTable(c.text));
    }
    const std::string whole = "{" + full + ",\"rpmBreakpoints\":" + bp +
                              ",\"pressureBreakpoints\":" + bp + ",\"intakeType\":-2}";
    EXPECT_EQ(Refusal(ParseJsonTable(whole)), "accepted");
}

TEST(TableFormats, aCellIsAWhole16BitNumberOrRefusedSayingWhy) {
    const struct {
        const char* text;
        const char* said; // or the value's text
    } cases[] = {{"-32768", "-32768"},
                 {" 32767\r", "32767"},
                 {"1e2", "100"},
                 {"32768", "is outside -32768..32767"},
                 {"-32769", "is outside"},
                 {"2.5", "is not a whole number"},
                 {"0x10", "is not a number"},
                 {"nan", "is not a number"},
                 {"", "is empty"}};
    for (const auto& c : cases) {
        const auto value = WholeInt16(c.text);
        const auto* why = std::get_if<std::string>(&value);
        EXPECT_EQ(why ? why->substr(0, std::string(c.said).size())
                      : std::to_string(std::get<std::int16_t>(value)),
                  c.said)
            << c.text;
    }
}

TEST(TableFormats, filesAreReadByExtensionAndAShortVetIsRefusedAsTheWindowDoes) {
    const auto dir = std::filesystem::temp_directory_path() / "tvx-formats-test";
    std::filesystem::create_directories(dir);
    const auto write = [&](const char* name, const std::string& bytes) {
        std::ofstream((dir / name).string(), std::ios::binary) << bytes;
        return (dir / name).string();
    };
    const auto read = [](const std::string& path) {
        const auto got = ReadTableFile(path);
        const auto* error = std::get_if<FileError>(&got);
        return error ? error->reason
                     : "cell 1 is " + std::to_string(std::get<TableFile>(got).table[1]);
    };
    EXPECT_EQ(read(write("a.VET", std::string(400, '\xff'))), "cell 1 is 255");
    EXPECT_NE(read(write("b.vet", std::string(399, '\1'))).find("holds 399 of 400 bytes"),
              std::string::npos);
    EXPECT_EQ(read(write("c.Json", JsonText(Sample(false, 1)))), "cell 1 is -32605");
    EXPECT_NE(read(write("d.csv", "1,2\n")).find("d.csv: row 1 has 2 fields"), std::string::npos);
    EXPECT_NE(read(write("e.txt", "")).find("name it .vet, .csv or .json"), std::string::npos);
    std::filesystem::remove_all(dir);
}

TEST(TableFormats, writingSaysWhatAFormatLeavesOut) {
    const struct {
        TableFormat format;
        TableFile file;
        std::vector<std::string> startsOfNotes;
    } cases[] = {
        {TableFormat::Vet, Sample(true, 1), {"A .vet holds no breakpoints"}},
        {TableFormat::Csv, Sample(false, std::nullopt), {"No breakpoints to write"}},
        {TableFormat::Csv, Sample(true, 2), {"A .csv holds no intake type"}},
        {TableFormat::Json, Sample(true, 2), {}},
    };
    for (const auto& c : cases) {
        const std::vector<std::string> notes = LeftOutOf(c.format, c.file);
        ASSERT_EQ(notes.size(), c.startsOfNotes.size());
        for (std::size_t i = 0; i < notes.size(); ++i) {
            EXPECT_TRUE(notes[i].starts_with(c.startsOfNotes[i])) << notes[i];
        }
    }
}
