#include "tune/RowJudge.h"

RowJudge::RowJudge(const TuneOptions& options)
    : options_(options), transients_(options.transientPsiPerS) {}

void RowJudge::beginLog() {
    transients_ = TransientWatch(options_.transientPsiPerS);
    transient_ = false;
    lastTimeS_.reset();
    leanUntilS_.reset();
    richUntilS_.reset();
}

bool RowJudge::impossible(const TuneRow& row) {
    const bool afrOk = (options_.wideband == 2 || kPlausibleAfr.holds(row.afr1)) &&
                       (options_.wideband == 1 || kPlausibleAfr.holds(row.afr2));
    const bool backwards = lastTimeS_ && !(row.timeS >= *lastTimeS_);
    lastTimeS_ = row.timeS;
    return !kPlausibleMapPsi.holds(row.pressurePsi) || !kPlausibleRpm.holds(row.rpm) || !afrOk ||
           !kPlausibleVe.holds(row.ve) || backwards;
}

std::optional<LeftOut> RowJudge::readingLimit(double afr, double timeS) {
    // A reading at a limit starts the sensor's recovery, whatever else is true of the record.
    const bool lean = options_.maxAfr && afr >= *options_.maxAfr;
    const bool rich = options_.minAfr && afr <= *options_.minAfr;
    if (lean) {
        leanUntilS_ = timeS + options_.afterCutS;
    }
    if (rich) {
        richUntilS_ = timeS + options_.afterCutS;
    }
    if (lean || (leanUntilS_ && timeS < *leanUntilS_)) {
        return LeftOut::FuelCut;
    }
    if (rich || (richUntilS_ && timeS < *richUntilS_)) {
        return LeftOut::RichLimit;
    }
    return std::nullopt;
}

RowVerdict RowJudge::judge(const TuneRow& row) {
    RowVerdict verdict;
    verdict.afr = options_.wideband == 1   ? row.afr1
                  : options_.wideband == 2 ? row.afr2
                                           : (row.afr1 + row.afr2) / 2;
    verdict.transient = transients_.add(row.timeS, row.pressurePsi);
    verdict.transientBegins = verdict.transient && !transient_;
    transient_ = verdict.transient;
    verdict.limit = readingLimit(verdict.afr, row.timeS);
    verdict.warm = !options_.minTempF || row.tempF >= *options_.minTempF;
    return verdict;
}

std::optional<LeftOut> RowJudge::atPoint(const std::optional<Moment>& point,
                                         std::optional<LeftOut> limit) const {
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
    return limit;
}
