#include "session/TuningSession.h"

#include "tune/VeSolve.h"

TuningSession::TuningSession(const VeTable& lattice, const CellValues& target, TuneOptions options,
                             LagEstimate lag)
    : lattice_(lattice), target_(target), options_(std::move(options)), lag_(lag),
      fallback_(std::move(lag)) {
    options_.lag = lag_.lag;
    if (options_.lagAuto) {
        estimator_ = std::make_unique<LagEstimator>(lattice_, target_, options_);
    }
    analyzer_ = std::make_unique<VeAnalyzer>(lattice_, target_, options_);
    analyzer_->setObserver(estimator_.get());
}

void TuningSession::beginLog(const std::string& name, TableInForce tables) {
    analyzer_->beginLog(name, std::move(tables));
}

std::optional<std::string> TuningSession::add(const TuneRow& row) {
    return analyzer_->add(row);
}

void TuningSession::addCutShort() {
    analyzer_->addCutShort();
}

void TuningSession::cellWritten(const CellWrite& write) {
    analyzer_->cellWritten(write);
}

LagEstimate TuningSession::estimateLag() const {
    return estimator_ ? estimator_->estimate(fallback_.lag, fallback_.source) : lag_;
}

std::optional<std::string> TuningSession::useLag(const LagEstimate& lag, const Feed& feed) {
    const bool moved = lag.lag != lag_.lag;
    lag_ = lag;
    options_.lag = lag.lag;
    if (!moved) {
        return std::nullopt;
    }
    analyzer_ = std::make_unique<VeAnalyzer>(lattice_, target_, options_);
    const std::optional<std::string> refused = feed(*this);
    analyzer_->setObserver(estimator_.get()); // the estimate has every row already
    return refused;
}

Tuning TuningSession::tune(const VeTable& base) const {
    const Solution solution = SolveVe(analysis(), base);
    Analysis analysis = WithOutliers(analyzer_->analysis(), solution);
    Suggestion suggestion = Suggest(base, analysis, solution, options_);
    return {std::move(analysis), std::move(suggestion)};
}
