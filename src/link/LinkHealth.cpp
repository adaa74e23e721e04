#include "link/LinkHealth.h"

#include <cmath>

std::string LinkHealthText(const LinkHealth& now, const LinkHealth& before, double seconds) {
    // Received, shown or not: a record a newer one in the same read replaced is no link problem.
    const std::uint64_t received = now.records + now.skipped - before.records - before.skipped;
    const double rate = seconds > 0 ? static_cast<double>(received) / seconds : 0;
    std::string text = std::to_string(std::lround(rate)) + " rec/s · " +
                       std::to_string(now.rejected) + " rejected";
    if (now.droppedBytes > 0) {
        text += " · " + std::to_string(now.droppedBytes) + " bytes dropped";
    }
    return text;
}
