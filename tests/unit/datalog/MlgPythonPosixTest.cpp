// A version-2 log the writer makes, read by a reader in Python that shares no code with ours
// (tests/datalog/mlg_v2_reader.py): both read the same times and values, to the last bit.
#include "MlgTestLog.h"
#include "datalog/MlgWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

TEST(MlgPosix, anIndependentReaderInPythonReadsWhatTheWriterWrote) {
    MlgHeader header{2, 1765089012, "Torvex v1.7", {}};
    const MlgType types[] = {MlgType::U08,     MlgType::S08,     MlgType::U16,    MlgType::S16,
                             MlgType::U32,     MlgType::S32,     MlgType::S64,    MlgType::F32,
                             MlgType::U08Bits, MlgType::U16Bits, MlgType::U32Bits};
    for (const MlgType type : types) {
        MlgField field;
        field.name = "Type" + std::to_string(static_cast<int>(type));
        field.units = "u";
        field.type = type;
        field.scale = 0.1f;
        field.transform = -7.5f;
        header.fields.push_back(field);
    }
    MlgWriter writer = std::get<MlgWriter>(MlgWriter::Make(header));
    for (int r = 0; r < 50; ++r) {
        std::vector<double> values;
        for (std::size_t f = 0; f < header.fields.size(); ++f) {
            values.push_back((r % 2 ? -1 : 1) * 3.3 * r + static_cast<double>(f));
        }
        EXPECT_FALSE(writer.record(0.3 * r, values)); // wraps every other record or so
        if (r % 10 == 0) {
            EXPECT_FALSE(writer.marker(0.3 * r + 0.01, "lap " + std::to_string(r / 10)));
        }
    }
    const std::string bytes = writer.take();
    const auto path = std::filesystem::temp_directory_path() /
                      ("tvx-mlg-python-" + std::to_string(::getpid()) + ".mlg");
    std::ofstream(path, std::ios::binary) << bytes;

    const std::string script = TVX_SOURCE_DIR "/tests/datalog/mlg_v2_reader.py";
    std::FILE* out = ::popen(("python3 '" + script + "' '" + path.string() + "'").c_str(), "r");
    ASSERT_NE(out, nullptr);
    std::string printed;
    char piece[4096];
    while (const std::size_t n = std::fread(piece, 1, sizeof piece, out)) {
        printed.append(piece, n);
    }
    EXPECT_EQ(::pclose(out), 0);
    std::filesystem::remove(path);

    // Python prints each number so that it reads back exactly.
    std::istringstream lines(printed);
    std::string line;
    std::getline(lines, line);
    std::string names = "kind,time";
    for (const MlgField& field : header.fields) {
        names += "," + field.name + "[" + field.units + "]";
    }
    EXPECT_EQ(line, names);
    const ReadLog log = ReadAll(bytes, 1 << 16);
    std::size_t record = 0, marker = 0;
    for (const std::string& kind : log.kinds) {
        SCOPED_TRACE(kind + " " + std::to_string(record + marker));
        ASSERT_TRUE(std::getline(lines, line));
        std::vector<std::string> fields;
        std::istringstream split(line);
        for (std::string field; std::getline(split, field, ',');) {
            fields.push_back(field);
        }
        ASSERT_GE(fields.size(), 3u);
        EXPECT_EQ(fields[0], kind);
        if (kind == "marker") {
            EXPECT_EQ(std::stod(fields[1]), log.markers[marker].timeS);
            EXPECT_EQ(fields[2], log.markers[marker++].text);
            continue;
        }
        const ReadLog::Record& ours = log.records[record++];
        EXPECT_EQ(std::stod(fields[1]), ours.timeS);
        ASSERT_EQ(fields.size(), 2 + ours.values.size());
        for (std::size_t f = 0; f < ours.values.size(); ++f) {
            EXPECT_EQ(std::stod(fields[2 + f]), ours.values[f]) << header.fields[f].name;
        }
    }
    EXPECT_FALSE(std::getline(lines, line));
    EXPECT_EQ(record, 50u);
    EXPECT_EQ(marker, 5u);
}
