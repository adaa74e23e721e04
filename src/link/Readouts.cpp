#include "link/Readouts.h"

#include <cmath>
#include <cstdio>

std::string FormatFixed(double value, int decimals) {
    // printf breaks exact binary ties (2.25 to one decimal) to even; readouts round them away
    // from zero. The scaling is exact in long double for any value that came from the wire.
    const long double scale = decimals == 0 ? 1.0L : (decimals == 1 ? 10.0L : 100.0L);
    const long double scaled = static_cast<long double>(value) * scale;
    if (std::fabs(scaled - std::trunc(scaled)) == 0.5L) {
        value = static_cast<double>((std::trunc(scaled) + (scaled < 0 ? -1 : 1)) / scale);
    }
    char text[400];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

LiveReading ReadingOf(const LiveRecord& record) {
    LiveReading reading;
    reading.gaugePsi = static_cast<float>(record.pressure - kAtmospherePsi);
    reading.rpm = record.rpm >= 150.0f ? record.rpm : 0.0f;
    reading.tempF = record.temperature;
    reading.wb1 = record.wideband1;
    reading.wb2 = record.wideband2;
    reading.airflow = record.airflow;
    return reading;
}

ReadoutTexts TextsOf(const LiveReading& reading, bool airflowInHertz) {
    return {{
        {TextBox::Pressure, FormatFixed(reading.gaugePsi, 1) + " PSI"},
        {TextBox::Rpm, FormatFixed(reading.rpm, 0) + " RPM"},
        {TextBox::Temp, FormatGeneral(reading.tempF) + " F"},
        {TextBox::WB1, FormatFixed(reading.wb1, 1) + " A/F"},
        {TextBox::WB2, FormatFixed(reading.wb2, 1) + " A/F"},
        {TextBox::MAFOut, airflowInHertz ? FormatFixed(reading.airflow, 1) + "Hz"
                                         : FormatFixed(reading.airflow, 2) + "V Out"},
    }};
}
