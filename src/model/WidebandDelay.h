// How late the wideband reads the exhaust: one model for tvxsim's engine and the analysis. The
// exhaust made at a moment reaches the sensor MS later, plus a part that grows as the exhaust's
// flow falls, FLOW_MS at 1000 RPM and atmospheric pressure (so 1000 / RPM x 14.7 / MAP of it
// then), both taken when the exhaust was made; the sensor then answers through a first-order
// response.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

struct WidebandLag {
    double ms = 150;
    double flowMs = 0;
    bool operator==(const WidebandLag&) const = default;
};

// The whole transport delay is capped here, and so is each part of it as given; below this RPM
// the flow is taken as at it.
inline constexpr double kLongestDelayMs = 2000;
inline constexpr double kLongestDelayS = kLongestDelayMs / 1000;
inline constexpr double kSlowestFlowRpm = 300;
inline constexpr double kAtmosphereForFlowPsi = 14.7;
// The sensor's response: a first-order lag with this time constant, which delays a changing
// reading by as much again.
inline constexpr double kSensorResponseS = 0.06;

// How far the sensor's reading moves toward what reaches it in `dtS`, as a share of the way, for
// a response of time constant `responseS`.
double SensorShare(double dtS, double responseS = kSensorResponseS);
inline double SensorResponse(double sensed, double arrived, double share) {
    return sensed + (arrived - sensed) * share;
}

// The transport delay of exhaust made at (rpm, absolute MAP), in seconds.
double TransportDelayS(const WidebandLag& lag, double rpm, double mapPsi);

// From exhaust made at (rpm, MAP) to the reading that shows it: transport and response.
inline double ReadingDelayS(const WidebandLag& lag, double rpm, double mapPsi) {
    return TransportDelayS(lag, rpm, mapPsi) + kSensorResponseS;
}

// What reaches the sensor at `now` of things made in order, the k-th arriving at arrives(k):
// from `last`, known to have arrived, the last one before `end` to have arrived, stepping on
// while the next one has (one that overtook an earlier one, the flow rising, waits for it); and
// how far the sensor's input has moved toward the one after it, when that one arrives later.
// The analysis, the delay estimate and tvxsim's wideband all read the exhaust this way.
struct Arrival {
    std::size_t last = 0;
    std::optional<double> share;
};
template <class ArrivesAt>
Arrival Arriving(std::size_t last, std::size_t end, double now, const ArrivesAt& arrives) {
    while (last + 1 < end && arrives(last + 1) <= now) {
        ++last;
    }
    if (last + 1 < end && arrives(last + 1) > arrives(last)) {
        return {last, (now - arrives(last)) / (arrives(last + 1) - arrives(last))};
    }
    return {last, std::nullopt};
}

// How a lag is given, and its range, in every message that asks for one.
inline constexpr const char* kLagText = "MS or MS,FLOW_MS (milliseconds, 0 to 2000 each)";
static_assert(kLongestDelayMs == 2000, "kLagText states the range");

// "MS" or "MS,FLOW_MS": whole or decimal milliseconds, 0 to kLongestDelayMs each; else nothing.
bool ParseWidebandLag(const std::string& text, WidebandLag& lag);
