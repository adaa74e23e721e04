#include "tune/VeAnalysis.h"

#include <algorithm>
#include <cmath>

std::int64_t Analysis::leftOutTotal() const {
    std::int64_t total = 0;
    for (const std::int64_t n : leftOut) {
        total += n;
    }
    return total;
}

VeAnalyzer::VeAnalyzer(const VeTable& table, const CellValues& target, const TuneOptions& options)
    : table_(table), lattice_(LatticeOf(table)), target_(target), options_(options),
      delay_(options.lagS), transients_(options.transientPsiPerS) {}

void VeAnalyzer::beginLog(const std::string& name) {
    log_ = name;
    delay_ = DelayLine(options_.lagS);
    transients_ = TransientWatch(options_.transientPsiPerS);
    seen_ = {};
    lastTimeS_.reset();
    started_ = false;
    binBase_ = analysis_.timeline.size();
}

bool VeAnalyzer::impossible(const TuneRow& row) const {
    const bool afrOk = (options_.wideband == 2 || kPlausibleAfr.holds(row.afr1)) &&
                       (options_.wideband == 1 || kPlausibleAfr.holds(row.afr2));
    const bool backwards = lastTimeS_ && !(row.timeS >= *lastTimeS_);
    return !kPlausibleMapPsi.holds(row.pressurePsi) || !kPlausibleRpm.holds(row.rpm) || !afrOk ||
           !kPlausibleVe.holds(row.ve) || backwards;
}

std::optional<std::string> VeAnalyzer::consistency(const TuneRow& row) {
    const int cell = CellIndex(row.pressureIndex, row.rpmIndex);
    if (row.ve == table_[cell]) {
        seen_[cell] = true;
        return std::nullopt;
    }
    const std::string place = "the cell at pressure index " + std::to_string(row.pressureIndex) +
                              ", RPM index " + std::to_string(row.rpmIndex);
    const std::string held = std::to_string(std::lround(row.ve));
    const std::string line = std::to_string(row.line);
    // Only a cell seen with two values within the log says that the table changed meanwhile.
    return seen_[cell]
               ? log_ + ": the table changed during the drive at line " + line + ": " + place +
                     " held " + std::to_string(table_[cell]) + ", then " + held
               : log_ + ": recorded against another table (line " + line + ": " + place + " held " +
                     held + ", the table holds " + std::to_string(table_[cell]) + ")";
}

void VeAnalyzer::countLeftOutUnplaced(LeftOut why) {
    ++analysis_.records;
    ++analysis_.leftOut[static_cast<int>(why)];
}

void VeAnalyzer::addCutShort() {
    countLeftOutUnplaced(LeftOut::CutShort);
}

std::optional<LeftOut> VeAnalyzer::judge(const std::optional<Moment>& point, double afr) const {
    if (!point) {
        return LeftOut::NoPoint;
    }
    if (options_.minRpm && point->rpm < *options_.minRpm) {
        return LeftOut::LowRpm;
    }
    if (options_.minTempF && point->tempF < *options_.minTempF) {
        return LeftOut::WarmUp;
    }
    if (point->transient) {
        return LeftOut::Transient;
    }
    if (options_.maxAfr && afr > *options_.maxAfr) {
        return LeftOut::FuelCut;
    }
    if (options_.minAfr && afr < *options_.minAfr) {
        return LeftOut::RichLimit;
    }
    return std::nullopt;
}

void VeAnalyzer::count(const std::optional<Moment>& point, double afr,
                       std::optional<LeftOut> leftOut, double timeS) {
    // A clock that jumps (a bad row) must not make the timeline huge: a day at most.
    constexpr double kLongestLogS = 86400;
    const auto second = static_cast<std::size_t>(std::clamp(timeS - logStartS_, 0.0, kLongestLogS));
    if (analysis_.timeline.size() <= binBase_ + second) {
        analysis_.timeline.resize(binBase_ + second + 1);
    }
    TimeBin& bin = analysis_.timeline[binBase_ + second];
    ++bin.records;
    bin.measuredSum += afr;
    ++analysis_.records;
    std::optional<LatticeWeights> weights;
    if (point) {
        weights = WeightsAt(lattice_, point->rpm, point->pressurePsi);
        ++bin.targeted;
        bin.targetSum += Interpolate(target_, *weights);
    }
    if (leftOut) {
        ++bin.leftOut;
        ++analysis_.leftOut[static_cast<int>(*leftOut)];
        if (weights) {
            const auto nearest = std::max_element(
                weights->begin(), weights->end(),
                [](const CellWeight& a, const CellWeight& b) { return a.weight < b.weight; });
            ++analysis_.cells[nearest->cell].leftOut;
        }
        return;
    }
    ++analysis_.accepted;
    // Measured over target: above 1 the cell runs lean and wants more VE.
    const double ratio = afr / Interpolate(target_, *weights);
    for (const CellWeight& w : *weights) {
        analysis_.cells[w.cell].hits += w.weight;
        analysis_.cells[w.cell].ratioSum += w.weight * ratio;
    }
    // Clamped as a double: a wild ratio must never reach an integer conversion.
    const double errorBin =
        std::clamp(std::floor((ratio - 1) * 100) + kErrorSpan, 0.0, kErrorBins - 1.0);
    ++analysis_.errors[static_cast<std::size_t>(errorBin)];
}

std::optional<std::string> VeAnalyzer::add(const TuneRow& row) {
    // Time is judged against the row before, so one wild time stamp costs two rows, not the log.
    const bool leftOut = impossible(row);
    lastTimeS_ = row.timeS;
    if (leftOut) {
        countLeftOutUnplaced(LeftOut::Impossible);
        return std::nullopt;
    }
    if (auto refused = consistency(row)) {
        return refused;
    }
    if (!started_) {
        logStartS_ = row.timeS;
        started_ = true;
    }
    const bool transient = transients_.add(row.timeS, row.pressurePsi);
    const std::optional<Moment> point =
        delay_.add({row.timeS, row.rpm, row.pressurePsi, row.tempF, transient});
    const double afr = options_.wideband == 1   ? row.afr1
                       : options_.wideband == 2 ? row.afr2
                                                : (row.afr1 + row.afr2) / 2;
    count(point, afr, judge(point, afr), row.timeS);
    return std::nullopt;
}
