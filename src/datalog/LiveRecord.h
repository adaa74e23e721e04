// A live record's values as decoded from the device's message: what the window shows and the
// datalog keeps.
#pragma once

#include <cstddef>

inline constexpr std::size_t kLiveValues = 6;

struct LiveRecord {
    double pressure = 0; // absolute PSI
    float rpm = 0;
    float temperature = 0;
    float wideband1 = 0;
    double airflow = 0;
    float wideband2 = 0;
};
