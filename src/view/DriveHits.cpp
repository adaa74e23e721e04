#include "view/DriveHits.h"

#include "model/AfrTarget.h"
#include "tune/VeAnalysis.h"

namespace {

TuneOptions OptionsFor(const DriveTable& kept, const HitFilters& filters) {
    TuneOptions options;
    options.lagAuto = false;
    options.lag = kept.lag.value_or(options.lag);
    if (!filters.warm) {
        options.minTempF.reset();
    }
    if (!filters.steady) {
        options.transientPsiPerS.reset();
    }
    if (!filters.noFuelCut) {
        options.maxAfr.reset();
        options.minAfr.reset();
    }
    options.minHits = filters.minHits;
    return options;
}

} // namespace

std::variant<CellHits, std::string> DriveHits(const std::string& path, const DriveTable& kept,
                                              const HitFilters& filters) {
    auto opened = OpenLog(path, TuneChannels());
    if (auto* why = std::get_if<std::string>(&opened)) {
        return std::move(*why);
    }
    LogChannels& rows = *std::get<OpenedLog>(opened).rows;
    const VeTable& table = kept.table.table;
    VeAnalyzer analyzer(table, DefaultTarget(table), OptionsFor(kept, filters));
    analyzer.beginLog(path, TableInForce(table, kept.writes));
    const TuneRowsEnd end =
        ReadTuneRows(rows, [&analyzer](const TuneRow& row) { return analyzer.add(row); });
    if (end.refusal) {
        return path + ": " + *end.refusal;
    }
    CellHits hits{};
    for (int cell = 0; cell < kCellCount; ++cell) {
        hits[static_cast<std::size_t>(cell)] =
            analyzer.analysis().cells[static_cast<std::size_t>(cell)].hits;
    }
    return hits;
}
