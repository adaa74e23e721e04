#include "tune/TuneOptionTexts.h"

#include "common/Numbers.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

const std::string kAutoLagText = std::string("auto, ") + kLagText;

using Take = std::function<bool(const std::string&, TuneOptions&)>;
using Show = std::function<std::string(const TuneOptions&)>;

// The fewest digits (six at least) that read back as the same value, so a setting kept and read
// again is the one taken.
std::string Shown(double value) {
    char text[32];
    for (int digits = 6; digits <= 17; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        if (std::strtod(text, nullptr) == value) {
            break;
        }
    }
    return text;
}

// A number within [low, high], or "off" for a filter that may be turned off.
TuneOptionText Filter(const char* name, const char* what, std::optional<double> TuneOptions::*field,
                      double low, double high) {
    return {name, what,
            [=](const std::string& value, TuneOptions& o) {
                const auto number = ParseNumber(value);
                if (value != "off" && (!number || *number < low || *number > high)) {
                    return false;
                }
                o.*field = value == "off" ? std::nullopt : number;
                return true;
            },
            [=](const TuneOptions& o) { return o.*field ? Shown(*(o.*field)) : "off"; }};
}

// A number within [low, high] (a whole one if `whole`), over `divisor` in its field's unit.
template <typename T>
TuneOptionText Number(const char* name, const char* what, T TuneOptions::*field, double low,
                      double high, bool whole = false, double divisor = 1) {
    return {name, what,
            [=](const std::string& value, TuneOptions& o) {
                const auto number = ParseNumber(value);
                if (!number || *number < low || *number > high ||
                    (whole && *number != std::floor(*number))) {
                    return false;
                }
                o.*field = static_cast<T>(*number / divisor);
                return true;
            },
            [=](const TuneOptions& o) { return Shown(static_cast<double>(o.*field) * divisor); }};
}

} // namespace

const std::vector<TuneOptionText>& TuneOptionTexts() {
    static const std::vector<TuneOptionText> options = {
        {"--lag", kAutoLagText.c_str(),
         [](const std::string& v, TuneOptions& o) {
             if (v == "auto") {
                 o.lagAuto = true;
                 return true;
             }
             const bool read = ParseWidebandLag(v, o.lag);
             o.lagAuto = o.lagAuto && !read;
             return read;
         },
         [](const TuneOptions& o) {
             if (o.lagAuto) {
                 return std::string("auto");
             }
             // Appended, not added to a literal: GCC's -Wrestrict misfires on that at -O2.
             std::string shown = Shown(o.lag.ms);
             if (o.lag.flowMs > 0) {
                 shown += ',';
                 shown += Shown(o.lag.flowMs);
             }
             return shown;
         }},
        Filter("--min-temp", "degrees F, -40 to 300, or off", &TuneOptions::minTempF, -40, 300),
        Filter("--transient", "PSI per second, 0.1 to 1000, or off", &TuneOptions::transientPsiPerS,
               0.1, 1000),
        Filter("--max-afr", "an air/fuel ratio, 5 to 30, or off", &TuneOptions::maxAfr, 5, 30),
        Filter("--min-afr", "an air/fuel ratio, 5 to 30, or off", &TuneOptions::minAfr, 5, 30),
        Number("--after-cut", "milliseconds, 0 to 5000", &TuneOptions::afterCutS, 0, 5000, false,
               1000),
        Filter("--min-rpm", "RPM, 0 to 20000, or off", &TuneOptions::minRpm, 0, 20000),
        {"--wideband", "1, 2 or both",
         [](const std::string& v, TuneOptions& o) {
             o.wideband = v == "1" ? 1 : v == "2" ? 2 : 0;
             return v == "1" || v == "2" || v == "both";
         },
         [](const TuneOptions& o) {
             return o.wideband == 0 ? std::string("both") : std::to_string(o.wideband);
         }},
        Number("--min-hits", "a whole number of hits, 1 to 1000000", &TuneOptions::minHits, 1,
               1000000, true),
        {"--max-change", "a percentage, more than 0 and at most 100",
         [](const std::string& v, TuneOptions& o) {
             const auto percent = ParseNumber(v);
             return percent && *percent > 0 && *percent <= 100 &&
                    (o.maxChangePercent = *percent, true);
         },
         [](const TuneOptions& o) { return Shown(o.maxChangePercent); }},
        Number("--deadband", "a percentage, 0 to 100", &TuneOptions::deadbandPercent, 0, 100),
    };
    return options;
}

std::string RefusalText(const std::string& name, const std::string& what,
                        const std::string& value) {
    // A value of thousands of characters is shown by its start, so the message stays readable.
    constexpr std::size_t kShown = 40;
    // Appended, not added to a literal: GCC's -Wrestrict misfires on that at -O3.
    std::string text = name + " takes " + what + ", not '";
    if (value.size() <= kShown) {
        text += value;
        text += '\'';
    } else {
        text += value.substr(0, kShown);
        text += "...' (";
        text += std::to_string(value.size());
        text += " characters)";
    }
    return text;
}
