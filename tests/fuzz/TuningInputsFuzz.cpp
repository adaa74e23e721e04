// What the tuning reads from a tuner: a target grid, or a logged drive through the whole
// analysis to a suggested table. Input: one byte whose low two bits pick the kind ('0' target
// .csv, '1' .msl log, '2' .csv log), then the text.
#include "FuzzCheck.h"
#include "tune/AfrTarget.h"
#include "tune/Suggestion.h"
#include "tune/VeAnalysis.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

// Every cell 112, so the seed logs agree with it, on rising breakpoints.
VeTable FuzzTable() {
    VeTable table{};
    for (int cell = 0; cell < kCellCount; ++cell) {
        table[cell] = 112;
    }
    for (int i = 0; i < kLatticeSize; ++i) {
        table[kRpmBase + i] = static_cast<std::int16_t>(5 + 5 * i);
        table[kPressureBase + i] = static_cast<std::int16_t>(5 + 2 * i);
    }
    return table;
}

void Analyze(std::string_view text, LogFormat format, const VeTable& table) {
    const TuneOptions options;
    VeAnalyzer analyzer(table, DefaultTarget(table), options);
    analyzer.beginLog("fuzz");
    TextLines lines = TextLines::Of(text);
    const TuneRowsEnd end =
        ReadTuneRows(lines, format, [&analyzer](const TuneRow& row) { return analyzer.add(row); });
    if (end.cutShort) {
        analyzer.addCutShort();
    }
    const Analysis& analysis = analyzer.analysis();
    FUZZ_REQUIRE(analysis.accepted + analysis.leftOutTotal() == analysis.records);
    const VeTable suggested = SuggestTable(table, analysis, options);
    for (int cell = 0; cell < kCellCount; ++cell) {
        const double hits = analysis.cells[cell].hits;
        FUZZ_REQUIRE(std::isfinite(hits) && hits >= 0);
        // Never more than the step limit, however wild the readings.
        FUZZ_REQUIRE(std::abs(suggested[cell] - table[cell]) <= 112 * 15 / 100 + 1);
    }
    SummaryText(table, suggested, analysis, options);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    static const VeTable table = FuzzTable();
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] & 3) {
    case 0: {
        const auto target = ParseTargetCsv(text, table);
        if (const auto* cells = std::get_if<CellValues>(&target)) {
            for (const double afr : *cells) {
                FUZZ_REQUIRE(afr >= kWidebandRichLimit && afr <= kWidebandLeanLimit);
            }
        }
        break;
    }
    case 1:
        Analyze(text, LogFormat::Msl, table);
        break;
    case 2:
        Analyze(text, LogFormat::Csv, table);
        break;
    default:
        break;
    }
    return 0;
}
