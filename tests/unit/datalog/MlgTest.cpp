// The MegaLogViewer binary log: what the writer writes the reader gives back, in either version
// and in any pieces; each field type's range; the timestamp's wraps; bad logs, each with what
// ended or spoiled the reading and the good records still read.
#include "MlgTestLog.h"
#include "datalog/MlgReader.h"
#include "datalog/MlgWriter.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

// The datalog's kinds of channel, a transform among them; the name and units fill their widths.
std::vector<MlgField> Fields(int version) {
    const std::string category = version == 2 ? "Engine" : "";
    return {
        {"Time", "s", MlgType::U32, 0, 0.001f, 0, 3, category},
        {"RPM", "RPM", MlgType::U16, 0, 1, 0, 0, category},
        {"Boost", "PSI", MlgType::S16, 0, 0.01f, 0, 2, category},
        {"Temp", "F", MlgType::S16, 0, 0.1f, -400, 1, category},
        {"AFR1", "AFR", MlgType::F32, 0, 1, 0, 2, category},
        {std::string(kMlgNameBytes - 1, 'N'), std::string(kMlgUnitsBytes - 1, 'u'), MlgType::U08, 1,
         1, 0, 0, std::string(version == 2 ? kMlgCategoryBytes - 1 : 0, 'c')},
    };
}

MlgField Field(std::string name, std::string units, MlgType type, float scale = 1,
               float transform = 0) {
    MlgField field;
    field.name = std::move(name);
    field.units = std::move(units);
    field.type = type;
    field.scale = scale;
    field.transform = transform;
    return field;
}

MlgWriter Writer(MlgHeader header) {
    auto made = MlgWriter::Make(std::move(header));
    if (auto* fault = std::get_if<std::string>(&made)) {
        ADD_FAILURE() << *fault;
    }
    return std::get<MlgWriter>(std::move(made));
}

} // namespace

TEST(Mlg, theBytesAreThePublishedLayout) {
    using namespace std::string_literals;
    const auto pad = [](std::string text, std::size_t width) {
        text.resize(width, '\0');
        return text;
    };
    // RPM: U16, scale 0.5, transform -1, 1 digit; 100 is stored as 100 / 0.5 + 1 = 201.
    const std::string rpm = "\x02"s + pad("RPM", 34) + pad("rpm", 10) + "\x00\x3f\x00\x00\x00"s +
                            "\xbf\x80\x00\x00\x01"s;
    // Flags: U08 bits, displayed as bits (2), its 8 bits' names not given.
    const std::string flags = "\x0a"s + pad("Flags", 34) + pad("", 10) + "\x02\x02"s +
                              "\x00\x00\x00\x00\x08\x00\x00\x00"s + pad("", 34);
    // At 0.5 s (50000 ticks) and at 0.75 s (75000 ticks, 9464 once wrapped).
    const std::string marker = "\x01\x01\x24\xf8Hi"s + pad("", 48);
    MlgField rpmField = Field("RPM", "rpm", MlgType::U16, 0.5f, -1);
    rpmField.digits = 1;
    MlgField rpmInEngine = rpmField;
    rpmInEngine.category = "Eng";
    MlgField flagsField = Field("Flags", "", MlgType::U08Bits);
    flagsField.displayStyle = 2;
    const struct {
        int version;
        std::vector<MlgField> fields;
        std::vector<double> values;
        std::string bytes;
    } cases[] = {
        {1,
         {rpmField},
         {100},
         "MLVLG\0\x00\x01\x01\x02\x03\x04"s + "\x00\x4d"s + "\x00\x00\x00\x4f\x00\x02\x00\x01"s +
             rpm + "T\0"s + "\x00\x00\xc3\x50\x00\xc9\xc9"s + marker},
        {2,
         {rpmInEngine, flagsField},
         {100, 0xA5},
         "MLVLG\0\x00\x02\x01\x02\x03\x04"s + "\x00\x00\x00\xca"s +
             "\x00\x00\x00\xcc\x00\x03\x00\x02"s + rpm + pad("Eng", 34) + flags + "T\0"s +
             "\x00\x00\xc3\x50\x00\xc9\xa5\x6e"s + marker},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("version " + std::to_string(c.version));
        MlgWriter writer = Writer({c.version, 0x01020304, "T", c.fields});
        EXPECT_FALSE(writer.record(0.5, c.values));
        EXPECT_FALSE(writer.marker(0.75, "Hi"));
        EXPECT_EQ(writer.take(), c.bytes);
    }

    // The counter rolls over at 256, markers counted.
    MlgWriter writer = Writer({1, 0, "", {Field("RPM", "rpm", MlgType::U08)}});
    writer.take(); // the header
    const double rpm0 = 0;
    for (int k = 0; k < 300; ++k) {
        EXPECT_FALSE(k % 7 == 0 ? writer.marker(0, "") : writer.record(0, {&rpm0, 1}));
    }
    const std::string blocks = writer.take();
    for (std::size_t at = 0, k = 0; at < blocks.size(); ++k) {
        ASSERT_EQ(static_cast<std::uint8_t>(blocks[at + 1]), k % 256) << "block " << k;
        at += blocks[at] == 1 ? 4 + kMlgMarkerBytes : 4 + 1 + 1;
    }
}

TEST(Mlg, bothVersionsGiveBackTheHeaderRecordsAndMarkersInAnyPieces) {
    const std::vector<std::vector<double>> rows = {
        {0.0, 850, -3.5, 60.0, 14.7f, 0},
        {0.25, 2250, 12.25, 198.6, 12.8f, 255},
        {0.5, 6500, 0, -40.0, 11.5f, 7},
    };
    const struct {
        int version;
        std::size_t piece;
    } cases[] = {{1, 1}, {1, 4096}, {2, 1}, {2, 7}, {2, 1 << 20}};
    for (const auto& c : cases) {
        SCOPED_TRACE("version " + std::to_string(c.version) + ", pieces of " +
                     std::to_string(c.piece));
        const MlgHeader header{c.version, 1765089012, "Torvex v1.7\nCapture Date: now",
                               Fields(c.version)};
        MlgWriter writer = Writer(header);
        std::string bytes = writer.take();
        EXPECT_FALSE(writer.record(rows[0][0], rows[0]));
        EXPECT_FALSE(writer.marker(0.125, std::string(kMlgMarkerBytes - 1, 'm')));
        EXPECT_FALSE(writer.record(rows[1][0], rows[1]));
        bytes += writer.take(); // as a recorder writes out what it has
        EXPECT_FALSE(writer.record(rows[2][0], rows[2]));
        EXPECT_FALSE(writer.marker(0.5, "WOT pull"));
        bytes += writer.take();
        EXPECT_EQ(writer.clamped(), 0u);

        const ReadLog log = ReadAll(bytes, c.piece);
        ASSERT_TRUE(log.header) << log.tally.stop.value_or("");
        EXPECT_EQ(log.header->version, c.version);
        EXPECT_EQ(log.header->timestamp, header.timestamp);
        EXPECT_EQ(log.header->info, header.info);
        ASSERT_EQ(log.header->fields.size(), header.fields.size());
        for (std::size_t f = 0; f < header.fields.size(); ++f) {
            const MlgField& want = header.fields[f];
            const MlgField& got = log.header->fields[f];
            EXPECT_EQ(got.name, want.name);
            EXPECT_EQ(got.units, want.units);
            EXPECT_EQ(got.type, want.type);
            EXPECT_EQ(got.displayStyle, want.displayStyle);
            EXPECT_EQ(got.scale, want.scale);
            EXPECT_EQ(got.transform, want.transform);
            EXPECT_EQ(got.digits, want.digits);
            EXPECT_EQ(got.category, want.category);
        }
        const std::vector<std::string> order = {"record", "marker", "record", "record", "marker"};
        EXPECT_EQ(log.kinds, order);
        ASSERT_EQ(log.records.size(), rows.size());
        for (std::size_t r = 0; r < rows.size(); ++r) {
            EXPECT_DOUBLE_EQ(log.records[r].timeS, rows[r][0]);
            for (std::size_t f = 0; f < rows[r].size(); ++f) {
                EXPECT_NEAR(log.records[r].values[f], rows[r][f], 1e-6 * std::abs(rows[r][f]))
                    << "record " << r << ", field " << f;
            }
        }
        ASSERT_EQ(log.markers.size(), 2u);
        EXPECT_EQ(log.markers[0].text, std::string(kMlgMarkerBytes - 1, 'm'));
        EXPECT_DOUBLE_EQ(log.markers[0].timeS, 0.125);
        EXPECT_EQ(log.markers[1].text, "WOT pull");
        EXPECT_EQ(log.tally.records, 3u);
        EXPECT_EQ(log.tally.markers, 2u);
        EXPECT_FALSE(log.tally.stop);
        EXPECT_EQ(log.tally.skipped, 0u);
    }
}

TEST(Mlg, eachTypeHoldsItsWholeRangeAndClampsBeyondItNeverWrapping) {
    constexpr double kTwoTo63 = 9223372036854775808.0; // S64's largest, 2^63 - 1, as a double
    const struct {
        MlgType type;
        double low, high;    // the range's ends, or near them, read back as written
        double below, above; // beyond them, clamped to the ends
        double ceiling;      // what `above` reads
    } cases[] = {
        {MlgType::U08, 0, 255, -1, 256, 255},
        {MlgType::S08, -128, 127, -129, 128, 127},
        {MlgType::U16, 0, 65535, -0.6, 65535.6, 65535},
        {MlgType::S16, -32768, 32767, -40000, 40000, 32767},
        {MlgType::U32, 0, 4294967295.0, -1, 5e9, 4294967295.0},
        {MlgType::S32, -2147483648.0, 2147483647.0, -3e9, 3e9, 2147483647.0},
        {MlgType::S64, -kTwoTo63, kTwoTo63 - 1024, -1e19, 1e19, kTwoTo63},
        {MlgType::F32, -FLT_MAX, FLT_MAX, -1e39, 1e39, FLT_MAX},
        {MlgType::U08Bits, 0, 255, -1, 300, 255},
        {MlgType::U16Bits, 0, 65535, -1, 70000, 65535},
        {MlgType::U32Bits, 0, 4294967295.0, -1, 1e10, 4294967295.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("type " + std::to_string(static_cast<int>(c.type)));
        MlgWriter writer = Writer({2, 0, "", {Field("Value", "", c.type)}});
        for (const double value : {c.low, c.high, c.below, c.above}) {
            EXPECT_FALSE(writer.record(0, std::span<const double>(&value, 1)));
        }
        EXPECT_EQ(writer.clamped(), 2u);
        const std::vector<double> want = {c.low, c.high, c.low, c.ceiling};
        const ReadLog log = ReadAll(writer.take(), 1 << 20);
        ASSERT_EQ(log.records.size(), want.size()) << log.tally.stop.value_or("");
        for (std::size_t r = 0; r < want.size(); ++r) {
            EXPECT_EQ(log.records[r].values[0], want[r]) << "record " << r;
        }
    }
}

TEST(Mlg, aValueIsReadAsTheNearestItsFieldStores) {
    // Shown = (raw + transform) * scale, the transform first: a writer or reader that applied it
    // after the scale would read the Temp row as 1000 * 0.1 - 400 = -300.
    const struct {
        const char* what;
        MlgType type;
        float scale, transform;
        double written, read;
        std::int8_t digits = 0;
    } cases[] = {
        // 0.1 is 0.100000001490116... as a float: 147 of them.
        {"AFR at 0.1 a step", MlgType::U16, 0.1f, 0, 14.7, 14.700000219047070},
        {"Temp, transform -400", MlgType::S16, 0.1f, -400, 60.0, 60.000000894069672},
        {"F32 has float's precision", MlgType::F32, 1, 0, 14.7, 14.69999980926513671875},
        {"rounded to the nearest step", MlgType::U16, 0.5f, 0, 10.26, 10.5},
        {"not a number is stored as 0", MlgType::U16, 1, 0, std::nan(""), 0},
        // 0.001 as a float is 0.00100000005: ten hours of milliseconds would read 1.7 ms off.
        {"a decimal step with its digits is exact", MlgType::U32, 0.001f, 0, 36000.001, 36000.001,
         3},
        {"other digits: the float scale", MlgType::U32, 0.001f, 0, 36000.001, 36000.0007099082, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MlgField field = Field("Value", "", c.type, c.scale, c.transform);
        field.digits = c.digits;
        MlgWriter writer = Writer({1, 0, "", {field}});
        EXPECT_FALSE(writer.record(0, std::span<const double>(&c.written, 1)));
        const ReadLog log = ReadAll(writer.take(), 1 << 20);
        ASSERT_EQ(log.records.size(), 1u);
        EXPECT_EQ(log.records[0].values[0], c.read);
    }
}

TEST(Mlg, timeRunsOnAcrossTheTimestampsWraps) {
    constexpr double kWrapS = 0.65536;
    const auto at = [](std::size_t n, double step, double first) {
        std::vector<double> times;
        for (std::size_t k = 0; k < n; ++k) {
            times.push_back(first + static_cast<double>(k) * step);
        }
        return times;
    };
    const struct {
        const char* what;
        bool timeChannel;
        std::vector<double> written;
        std::vector<double> read;
    } cases[] = {
        {"an hour at 20 Hz, some 5500 wraps", false, at(72001, 0.05, 0), at(72001, 0.05, 0)},
        {"blocks 0.6 s apart wrap between each two", false, at(5, 0.6, 0), at(5, 0.6, 0)},
        {"gaps of whole wraps, seen in the Time channel",
         true,
         {0.01, 0.7, 2.0, 100.0, 100.5},
         {0.01, 0.7, 2.0, 100.0, 100.5}},
        {"a first record long after the start, by the Time channel", true, {5.0, 5.3}, {5.0, 5.3}},
        {"a time before the start, or none, is written as 0", false, {-1, std::nan("")}, {0, 0}},
        {"without a Time channel a whole wrap goes unseen",
         false,
         {0.01, 0.7, 2.0},
         {0.01, 0.7 - kWrapS, 2.0 - 2 * kWrapS}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const MlgField time = Field(c.timeChannel ? "Time" : "Clock", "s", MlgType::U32, 0.001f);
        MlgWriter writer = Writer({2, 0, "", {time}});
        for (const double t : c.written) {
            EXPECT_FALSE(writer.record(t, std::span<const double>(&t, 1)));
        }
        const ReadLog log = ReadAll(writer.take(), 1 << 16);
        ASSERT_EQ(log.records.size(), c.read.size());
        for (std::size_t r = 0; r < c.read.size(); ++r) {
            ASSERT_NEAR(log.records[r].timeS, c.read[r], 1e-9) << "record " << r;
        }
    }
}

TEST(Mlg, aBadLogKeepsItsGoodRecordsAndSaysWhatAndWhere) {
    // Three records of 4 + 6 + 1 bytes from byte 209: 24 of header, 2 fields of 89, 7 of info.
    MlgWriter writer =
        Writer({2,
                0,
                "Torvex",
                {Field("Time", "s", MlgType::U32, 0.001f), Field("RPM", "RPM", MlgType::U16)}});
    for (const double t : {0.0, 0.1, 0.2}) {
        const double values[] = {t, 1000};
        writer.record(t, values);
    }
    const std::string good = writer.take();
    ASSERT_EQ(good.size(), 242u);
    const auto with = [&good](std::size_t at, std::string_view bytes) {
        return good.substr(0, at) + std::string(bytes) + good.substr(at + bytes.size());
    };
    using namespace std::string_literals;
    const struct {
        const char* what;
        std::string bytes;
        std::size_t failAt; // the source fails there; past the end, never
        std::size_t records;
        std::string stop;
        std::string firstSkipped;
        bool cutShort;
    } cases[] = {
        {"the last record cut short", good.substr(0, 238), SIZE_MAX, 2,
         "mlg record 3 (byte 231): cut short, 7 of 11 bytes", "", true},
        {"a wrong checksum skips its record", with(230, "\x00"s), SIZE_MAX, 2, "",
         "mlg record 2 (byte 220): checksum 0x00 where the bytes sum to 0x4f", false},
        {"an unknown block type ends reading", with(220, "\x07"), SIZE_MAX, 1,
         "mlg record 2 (byte 220): unknown block type 7", "", false},
        {"an unknown field type", with(24 + 89, "\x09"), SIZE_MAX, 0,
         "mlg field 2 (RPM): type 9 is unknown to version 2", "", false},
        {"zero fields", with(22, "\x00\x00"s), SIZE_MAX, 0, "mlg header: no fields", "", false},
        {"more fields than any logger has", with(22, "\x13\x88"), SIZE_MAX, 0,
         "mlg header: 5000 fields, more than 4096", "", false},
        {"the data begins past the end", with(16, "\x00\x00\x13\x88"s), SIZE_MAX, 0,
         "mlg header: data begins at byte 5000, past the end at byte 242", "", false},
        {"the data begins inside the fields", with(16, "\x00\x00\x00\x64"s), SIZE_MAX, 0,
         "mlg header: data begins at byte 100, inside the fields, which end at byte 202", "",
         false},
        {"the info begins outside the header", with(12, "\x00\x00\x27\x0f"s), SIZE_MAX, 0,
         "mlg header: info begins at byte 9999, not within bytes 202 to 209", "", false},
        {"a record length that is not the fields'", with(20, "\x00\x07"s), SIZE_MAX, 0,
         "mlg header: records of 7 bytes where the fields take 6", "", false},
        {"the header cut short", good.substr(0, 100), SIZE_MAX, 0,
         "mlg header: cut short at byte 100", "", false},
        {"another format", "MLVXX" + good.substr(5), SIZE_MAX, 0, "mlg header: not an MLVLG log",
         "", false},
        {"a later version", with(6, "\x00\x03"s), SIZE_MAX, 0,
         "mlg header: format version 3, not 1 or 2", "", false},
        {"the input fails", good, 225, 1, "mlg cannot read at byte 225: Input/output error", "",
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ReadLog log = ReadAll(c.bytes, 3, c.failAt);
        EXPECT_EQ(log.records.size(), c.records);
        EXPECT_EQ(log.tally.records, c.records);
        EXPECT_EQ(log.tally.stop.value_or(""), c.stop);
        EXPECT_EQ(log.tally.firstSkipped.value_or(""), c.firstSkipped);
        EXPECT_EQ(log.tally.skipped, c.firstSkipped.empty() ? 0u : 1u);
        EXPECT_EQ(log.tally.cutShort, c.cutShort);
        EXPECT_EQ(log.header.has_value(), c.stop.find("header") == std::string::npos &&
                                              c.stop.find("field") == std::string::npos);
    }
}

TEST(Mlg, theWriterRefusesWhatItCannotWriteWholeAndSaysWhy) {
    const auto field = [](std::string name, std::string units = "", MlgType type = MlgType::U08,
                          float scale = 1, std::string category = "") {
        return MlgField{std::move(name),    std::move(units), type, 0, scale, 0, 0,
                        std::move(category)};
    };
    const std::string tooLong(kMlgNameBytes, 'n');
    const struct {
        const char* what;
        MlgHeader header;
        std::string reason;
    } cases[] = {
        {"a name that fills its width",
         {2, 0, "", {field("RPM"), field(tooLong)}},
         "mlg field 2 (" + tooLong + "): name longer than 33 bytes"},
        {"units that fill theirs",
         {2, 0, "", {field("MAP", "PSI absolu")}},
         "mlg field 1 (MAP): units \"PSI absolu\" longer than 9 bytes"},
        {"a category that fills its",
         {2, 0, "", {field("MAP", "", MlgType::U08, 1, tooLong)}},
         "mlg field 1 (MAP): category \"" + tooLong + "\" longer than 33 bytes"},
        {"a name holding a NUL",
         {2, 0, "", {field(std::string("R\0M", 3))}},
         "mlg field 1 (R\\x00M): name holds a NUL byte"},
        {"no name", {2, 0, "", {field("")}}, "mlg field 1 (): no name"},
        {"bits in version 1",
         {1, 0, "", {field("Flags", "", MlgType::U08Bits)}},
         "mlg field 1 (Flags): type 10 is unknown to version 1"},
        {"a scale of 0",
         {2, 0, "", {field("MAF", "V", MlgType::U16, 0)}},
         "mlg field 1 (MAF): scale and transform must be finite and the scale not 0"},
        {"no fields", {2, 0, "", {}}, "mlg header: no fields"},
        {"a later version", {3, 0, "", {field("RPM")}}, "mlg header: format version 3, not 1 or 2"},
        {"more fields than version 1 can place",
         {1, 0, "", std::vector(1192, field("RPM"))},
         "mlg header: 1192 fields, more than 1191 in version 1"},
        {"more fields than any logger has",
         {2, 0, "", std::vector(4097, field("RPM"))},
         "mlg header: 4097 fields, more than 4096"},
        {"info holding a NUL",
         {2, 0, std::string("a\0b", 3), {field("RPM")}},
         "mlg info holds a NUL byte"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto made = MlgWriter::Make(c.header);
        ASSERT_TRUE(std::holds_alternative<std::string>(made));
        EXPECT_EQ(std::get<std::string>(made), c.reason);
    }

    MlgWriter writer = Writer({2, 0, "", {field("RPM"), field("MAP")}});
    writer.take(); // the header
    const double three[] = {1, 2, 3};
    EXPECT_EQ(writer.record(0, {three, 1}), "mlg record of 1 values where the log has 2 fields");
    EXPECT_EQ(writer.record(0, three), "mlg record of 3 values where the log has 2 fields");
    EXPECT_EQ(writer.marker(0, std::string(kMlgMarkerBytes, 'm')),
              "mlg marker longer than 49 bytes: \"" + std::string(kMlgMarkerBytes, 'm') + "\"");
    EXPECT_EQ(writer.take(), ""); // nothing of either was written
}

TEST(Mlg, infoBeyond64KiBIsSkippedNotHeld) {
    MlgWriter writer = Writer({2, 0, "i", {Field("RPM", "RPM", MlgType::U16)}});
    const double rpm = 900;
    writer.record(0, std::span<const double>(&rpm, 1));
    std::string bytes = writer.take();
    // 4 MiB more of info, and the data's start moved past it.
    constexpr std::size_t kMore = 4 << 20;
    const std::size_t infoStart = 24 + 89;
    const std::size_t dataBegin = infoStart + 2 + kMore;
    bytes.insert(infoStart + 1, kMore, 'i');
    for (std::size_t k = 0; k < 4; ++k) {
        bytes[16 + k] = static_cast<char>(dataBegin >> (8 * (3 - k)));
    }
    const ReadLog log = ReadAll(bytes, 1 << 16);
    ASSERT_TRUE(log.header) << log.tally.stop.value_or("");
    EXPECT_EQ(log.header->info, std::string(kMlgMaxInfoBytes, 'i'));
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(log.records[0].values[0], 900);
}

TEST(Mlg, aLongLogReadsFromAFileInChunks) {
    MlgWriter writer = Writer({2, 0, "", {Field("Time", "s", MlgType::F32)}});
    constexpr std::size_t kRecords = 40000; // 360 KB: several of the reader's chunks
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    for (std::size_t r = 0; r < kRecords; ++r) {
        const double t = static_cast<double>(r) * 0.01;
        writer.record(t, std::span<const double>(&t, 1));
        const std::string bytes = writer.take();
        std::fwrite(bytes.data(), 1, bytes.size(), file);
    }
    std::rewind(file);
    MlgReader reader = MlgReader::Of(file);
    std::size_t read = 0;
    double last = -1;
    while (const auto block = reader.next()) {
        last = std::get<MlgReader::Record>(*block).timeS;
        ++read;
    }
    std::fclose(file);
    EXPECT_EQ(read, kRecords);
    EXPECT_FALSE(reader.tally().stop);
    EXPECT_NEAR(last, 399.99, 1e-9);
}
