#include "table/OperatingPoint.h"
#include "common/Atmosphere.h"

float AbsolutePsi(float gaugePsi) {
    return static_cast<float>(static_cast<double>(gaugePsi) + kAtmospherePsi);
}

OperatingPoint FindOperatingPoint(const VeTable& table, float rpm, float absolutePsi,
                                  OperatingPoint kept) {
    const float hundreds = rpm / 100.0f; // the RPM breakpoints count hundreds
    for (int k = 0; k < kLatticeSize; ++k) {
        if (hundreds > static_cast<float>(RpmBreakpoint(table, k))) {
            kept.rpmIndex = static_cast<std::uint8_t>(k);
        }
    }
    for (int k = 0; k < kLatticeSize; ++k) {
        if (absolutePsi > static_cast<float>(PressureBreakpoint(table, k))) {
            kept.pressureIndex = static_cast<std::uint8_t>(k);
        }
    }
    return kept;
}
