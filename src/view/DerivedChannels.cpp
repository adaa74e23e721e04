#include "view/DerivedChannels.h"

#include "model/AfrTarget.h"

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
