#include "view/DerivedChannels.h"

#include "model/AfrModel.h"
#include "model/AfrTarget.h"
#include "tune/DelayLine.h"
#include "tune/TableInForce.h"

#include <algorithm>
#include <cmath>
#include <limits>

void AddTargetChannels(ViewedLog& log) {
    const ViewedChannel* rpm = log.channel("RPM");
    const ViewedChannel* map = log.channel("MAP");
    const ViewedChannel* afr1 = log.channel("AFR1");
    const ViewedChannel* afr2 = log.channel("AFR2");
    if (!log.kept || !rpm || !map || !afr1) {
        return;
    }
    const VeTable& table = log.kept->table.table;
    const Lattice lattice = LatticeOf(table);
    const CellValues target = DefaultTarget(table);
    ViewedChannel aimed{kTargetChannel, "AFR", {}, 2};
    ViewedChannel error{kErrorChannel, "%", {}, 1};
    aimed.values.reserve(log.records());
    error.values.reserve(log.records());
    for (std::size_t k = 0; k < log.records(); ++k) {
        const double t = Interpolate(target, WeightsAt(lattice, rpm->values[k], map->values[k]));
        const double read = afr2 ? (afr1->values[k] + afr2->values[k]) / 2.0 : afr1->values[k];
        aimed.values.push_back(static_cast<float>(t));
        error.values.push_back(static_cast<float>((read / t - 1) * 100));
    }
    log.channels.push_back(std::move(aimed));
    log.channels.push_back(std::move(error));
}

namespace {

void Replace(ViewedLog& log, ViewedChannel channel) {
    std::erase_if(log.channels, [&](const ViewedChannel& c) { return c.name == channel.name; });
    log.channels.push_back(std::move(channel));
}

bool SameBreakpoints(const VeTable& a, const VeTable& b) {
    return std::equal(a.begin() + kRpmBase, a.begin() + kPressureBase + kLatticeSize,
                      b.begin() + kRpmBase);
}

} // namespace

std::optional<std::string> AddSuggestionChannels(ViewedLog& log, const VeTable& suggested) {
    const ViewedChannel* rpm = log.channel("RPM");
    const ViewedChannel* map = log.channel("MAP");
    const ViewedChannel* temp = log.channel("Temp");
    const ViewedChannel* afr1 = log.channel("AFR1");
    const ViewedChannel* afr2 = log.channel("AFR2");
    if (!log.kept || !rpm || !map || !temp || !afr1) {
        return "the drive has no table kept beside it, or lacks RPM, MAP, Temp or AFR1";
    }
    const VeTable& start = log.kept->table.table;
    if (!SameBreakpoints(start, suggested)) {
        return "the table's breakpoints are not those the drive ran on";
    }
    const Lattice lattice = LatticeOf(start);
    const CellValues target = DefaultTarget(start);
    TableInForce tables(start, log.kept->writes);
    DelayLine delay(log.kept->lag.value_or(TuneOptions{}.lag));
    constexpr float kNone = std::numeric_limits<float>::quiet_NaN();
    ViewedChannel fuelled{kVeInForceChannel, "VE", {}, 1};
    ViewedChannel predicted{kPredictedChannel, "AFR", {}, 2};
    for (std::size_t k = 0; k < log.records(); ++k) {
        const auto then =
            delay.add({log.timeS[k], rpm->values[k], map->values[k], temp->values[k], false});
        if (!then) {
            fuelled.values.push_back(kNone);
            predicted.values.push_back(kNone);
            continue;
        }
        const LatticeWeights weights = WeightsAt(lattice, then->rpm, then->pressurePsi);
        const double commanded = CommandedVe(tables.at(then->timeS), weights);
        const double aimed = Interpolate(target, weights);
        const double read = afr2 ? (afr1->values[k] + afr2->values[k]) / 2.0 : afr1->values[k];
        const double trueVe = ShownTrueVe(read, aimed, commanded);
        fuelled.values.push_back(static_cast<float>(commanded));
        predicted.values.push_back(
            static_cast<float>(ExhaustAfr(aimed, trueVe, CommandedVe(suggested, weights), 1)));
    }
    Replace(log, std::move(fuelled));
    Replace(log, std::move(predicted));
    return std::nullopt;
}
