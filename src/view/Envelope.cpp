#include "view/Envelope.h"

#include <algorithm>
#include <cmath>
#include <limits>

std::vector<EnvelopePoint> Envelope(std::span<const double> timeS, std::span<const float> values,
                                    std::size_t bucket) {
    std::vector<EnvelopePoint> points;
    const std::size_t n = std::min(timeS.size(), values.size());
    bucket = std::max<std::size_t>(bucket, 1);
    points.reserve(2 * (n / bucket + 1));
    for (std::size_t from = 0; from < n; from += bucket) {
        const std::size_t to = std::min(n, from + bucket);
        std::size_t low = to;
        std::size_t high = to;
        for (std::size_t k = from; k < to; ++k) {
            if (std::isnan(values[k])) {
                continue;
            }
            if (low == to || values[k] < values[low]) {
                low = k;
            }
            if (high == to || values[k] > values[high]) {
                high = k;
            }
        }
        if (low == to) {
            points.push_back({timeS[from], std::numeric_limits<float>::quiet_NaN()});
            continue;
        }
        const auto [first, second] = std::minmax(low, high);
        points.push_back({timeS[first], values[first]});
        if (second != first) {
            points.push_back({timeS[second], values[second]});
        }
    }
    return points;
}
