// A channel's line as a screen can show it: where many records share a pixel column, only the
// lowest and highest of each bucket of them, in time order, so the line drawn covers what every
// record would have, at a fraction of the points.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

struct EnvelopePoint {
    double timeS;
    float value;
};

// Each run of `bucket` records (the last may be shorter) becomes its lowest and highest value at
// their own times, the earlier first; one point where they are the same record. A bucket with no
// number (NaN) is one NaN point, so a gap stays a gap.
std::vector<EnvelopePoint> Envelope(std::span<const double> timeS, std::span<const float> values,
                                    std::size_t bucket);
