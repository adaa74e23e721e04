// What the tuning reads from a tuner: a target grid, or a logged drive through the whole
// analysis to a suggested table, under a fixed table or under the table kept beside it. Input:
// one byte whose low two bits pick the kind ('0' target .csv, '1' .msl log, '2' .csv log, '3' a
// kept table, a line "--", then an .msl log), then the text.
#include "FuzzCheck.h"
#include "model/AfrTarget.h"
#include "tune/Suggestion.h"
#include "tune/VeAnalysis.h"

#include <algorithm>
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

void Analyze(std::string_view text, LogFormat format, const VeTable& table,
             const std::vector<CellWrite>& writes = {}) {
    const TuneOptions options;
    VeAnalyzer analyzer(table, DefaultTarget(table), options);
    analyzer.beginLog("fuzz", TableInForce(table, writes));
    TextLines lines = TextLines::Of(text);
    const TuneRowsEnd end =
        ReadTuneRows(lines, format, [&analyzer](const TuneRow& row) { return analyzer.add(row); });
    if (end.cutShort) {
        analyzer.addCutShort();
    }
    const Analysis& analysis = analyzer.analysis();
    FUZZ_REQUIRE(analysis.accepted + analysis.leftOutTotal() == analysis.records);
    const Suggestion suggestion = Suggest(table, analysis, SolveVe(analysis, table), options);
    const VeTable& suggested = suggestion.table;
    for (int cell = 0; cell < kCellCount; ++cell) {
        const double hits = analysis.cells[cell].hits;
        FUZZ_REQUIRE(std::isfinite(hits) && hits >= 0);
        // Never more than the step limit, however wild the readings.
        const double base = std::max<double>(table[cell], 1);
        FUZZ_REQUIRE(std::abs(suggested[cell] - base) <= base * 0.15 + 1);
    }
    for (const SolvedCell& cell : suggestion.solution) {
        FUZZ_REQUIRE(std::isfinite(cell.ve) && std::isfinite(cell.uncertaintyPercent));
    }
    SummaryText(table, suggestion, analysis, options);
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
    case 3: {
        const std::size_t split = text.find("\n--\n");
        if (split == std::string_view::npos) {
            break;
        }
        const auto kept = ParseDriveTable(text.substr(0, split));
        if (const auto* drive = std::get_if<DriveTable>(&kept)) {
            FUZZ_REQUIRE(drive->table.hasBreakpoints);
            FUZZ_REQUIRE(std::is_sorted(drive->writes.begin(), drive->writes.end(),
                                        [](auto& a, auto& b) { return a.timeS < b.timeS; }));
            Analyze(text.substr(split + 4), LogFormat::Msl, drive->table.table, drive->writes);
        }
        break;
    }
    default:
        break;
    }
    return 0;
}
