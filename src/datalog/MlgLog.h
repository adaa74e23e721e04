// The datalog's channels in a binary log (.mlg): each kept as a whole count of the last decimal
// the text log shows of it, in the narrowest type that holds its values, so a viewer shows
// every digit the .msl does in about half the bytes.
#pragma once

#include "datalog/LogFormat.h"
#include "datalog/Mlg.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

struct ChannelStep {
    MlgType type = MlgType::F32;
    std::int8_t digits = 0; // decimals kept and shown
};
using LogSteps = std::array<ChannelStep, kLogChannels>;

// What a recording keeps: the decimals the device sends, in types with room for any reading an
// engine gives.
LogSteps RecordedSteps(bool airflowInHertz);

// The steps that keep every digit of the values seen: for a log converted whole.
class StepFinder {
public:
    void add(std::span<const double> row); // one value a channel, in their order
    LogSteps steps() const;

private:
    std::array<int, kLogChannels> digits_{};
    std::array<double, kLogChannels> lowest_{};
    std::array<double, kLogChannels> highest_{};
    std::array<bool, kLogChannels> inexact_{}; // a value with more decimals than any type keeps
    std::array<bool, kLogChannels> seen_{};
};

MlgHeader MlgLogHeader(int version, std::uint32_t startedAt, std::string info,
                       const LogSteps& steps, bool airflowInHertz);

// Whether a value shown with `digits` decimals loses a digit of the text log's; a float field
// keeps what it keeps.
bool LosesDigits(double value, const ChannelStep& step);
