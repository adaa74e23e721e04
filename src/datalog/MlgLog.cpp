#include "datalog/MlgLog.h"

#include "common/Numbers.h"

#include <algorithm>
#include <cmath>

namespace {

// Past this many decimals a reading is noise of the sensor: kept as a float.
constexpr int kMostDigits = 6;

// The fewest decimals that write the value as the text log does, its 7 significant digits.
int DecimalsOf(double value) {
    for (int digits = 0; digits <= kMostDigits; ++digits) {
        const double steps = PowerOfTen(digits);
        if (!LosesDigits(value, {MlgType::S32, static_cast<std::int8_t>(digits)}) &&
            std::abs(value * steps) < 9.0e15) {
            return digits;
        }
    }
    return kMostDigits + 1;
}

// The narrowest whole type for counts from `lowest` to `highest`.
MlgType TypeFor(double lowest, double highest) {
    const struct {
        MlgType type;
        double low, high;
    } kTypes[] = {
        {MlgType::U08, 0, 255},          {MlgType::S08, -128, 127},
        {MlgType::U16, 0, 65535},        {MlgType::S16, -32768, 32767},
        {MlgType::U32, 0, 4294967295.0}, {MlgType::S32, -2147483648.0, 2147483647.0},
    };
    for (const auto& t : kTypes) {
        if (lowest >= t.low && highest <= t.high) {
            return t.type;
        }
    }
    return MlgType::S64;
}

} // namespace

bool LosesDigits(double value, const ChannelStep& step) {
    if (step.type == MlgType::F32 || !std::isfinite(value)) {
        return false;
    }
    const double steps = PowerOfTen(step.digits);
    const double kept = std::round(value * steps) / steps;
    // A float reading of 15.39 is 15.3900003: within the 7 digits the text shows, it is kept.
    return std::abs(value - kept) > 1e-7 * std::abs(value);
}

LogSteps RecordedSteps(bool airflowInHertz) {
    return {{
        {MlgType::U32, 3},                                 // Time, ms
        {MlgType::U16, 0},                                 // RPM
        {MlgType::U16, 2},                                 // MAP
        {MlgType::S16, 2},                                 // Boost
        {MlgType::S16, 1},                                 // Temp
        {MlgType::U16, 2},                                 // AFR1
        {MlgType::U16, 2},                                 // AFR2
        {airflowInHertz ? MlgType::U32 : MlgType::U16, 2}, // MAF
        {MlgType::U08, 0},                                 // PressureIndex
        {MlgType::U08, 0},                                 // RpmIndex
        {MlgType::S16, 0},                                 // VE
    }};
}

void StepFinder::add(std::span<const double> row) {
    for (std::size_t c = 0; c < kLogChannels && c < row.size(); ++c) {
        const double v = row[c];
        const int digits = DecimalsOf(v);
        if (digits > kMostDigits || !std::isfinite(v)) {
            inexact_[c] = true;
            continue;
        }
        digits_[c] = std::max(digits_[c], digits);
        lowest_[c] = seen_[c] ? std::min(lowest_[c], v) : v;
        highest_[c] = seen_[c] ? std::max(highest_[c], v) : v;
        seen_[c] = true;
    }
}

LogSteps StepFinder::steps() const {
    LogSteps steps{};
    for (std::size_t c = 0; c < kLogChannels; ++c) {
        if (inexact_[c]) {
            steps[c] = {MlgType::F32, static_cast<std::int8_t>(kMostDigits)};
            continue;
        }
        const double scale = PowerOfTen(digits_[c]);
        steps[c] = {TypeFor(std::round(lowest_[c] * scale), std::round(highest_[c] * scale)),
                    static_cast<std::int8_t>(digits_[c])};
    }
    return steps;
}

MlgHeader MlgLogHeader(int version, std::uint32_t startedAt, std::string info,
                       const LogSteps& steps, bool airflowInHertz) {
    MlgHeader header{version, startedAt, std::move(info), {}};
    for (std::size_t c = 0; c < kLogChannels; ++c) {
        MlgField field;
        field.name = kLogChannelNames[c];
        field.units = LogChannelUnit(c, airflowInHertz);
        field.type = steps[c].type;
        field.digits = steps[c].digits;
        field.scale =
            field.type == MlgType::F32 ? 1.0f : static_cast<float>(1 / PowerOfTen(steps[c].digits));
        field.category = c < 8 ? "Engine" : "Table";
        header.fields.push_back(std::move(field));
    }
    return header;
}
