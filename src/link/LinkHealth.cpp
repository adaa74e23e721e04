#include "link/LinkHealth.h"

#include <cmath>

std::string LinkHealthText(const LinkHealth& now, const LinkHealth& before, double seconds) {
    const double rate =
        seconds > 0 ? static_cast<double>(now.records - before.records) / seconds : 0;
    std::string text = std::to_string(std::lround(rate)) + " rec/s · " +
                       std::to_string(now.skipped) + " skipped · " + std::to_string(now.rejected) +
                       " rejected";
    if (now.droppedBytes > 0) {
        text += " · " + std::to_string(now.droppedBytes) + " bytes dropped";
    }
    return text;
}
