#include "LiveRecord.h"

#include <cstdio>

namespace tvxsim {

std::string formatNumber(double value, int maxDecimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", maxDecimals, value);
    std::string text = buffer;
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') {
            text.pop_back();
        }
    }
    if (text == "-0") {
        text = "0";
    }
    return text;
}

std::string formatRecord(const Reading& reading) {
    std::string text = "255,";
    text += formatNumber(reading.pressureAbsPsi, 2) + ',';
    text += formatNumber(reading.rpm, 0) + ',';
    text += formatNumber(reading.tempF, 1) + ',';
    text += formatNumber(reading.wb1, 2) + ',';
    text += formatNumber(reading.airflow, 2) + ',';
    text += formatNumber(reading.wb2, 2);
    return text;
}

std::string_view terminatorText(Terminator terminator) {
    switch (terminator) {
    case Terminator::Comma:
        return ",";
    case Terminator::CrLf:
        return "\r\n";
    case Terminator::None:
        break;
    }
    return "";
}

} // namespace tvxsim
