#include "edit/Block.h"

#include "common/Numbers.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

namespace {

// "3" or "3:7", in either order.
std::optional<std::pair<int, int>> SpanOf(std::string_view text) {
    const auto ends = SplitFields(text, ':');
    if (ends.size() > 2) {
        return std::nullopt;
    }
    int index[2];
    for (std::size_t k = 0; k < 2; ++k) {
        const auto number = ParseNumber(ends[std::min(k, ends.size() - 1)]);
        if (!number || *number != std::floor(*number) || *number < 0 ||
            *number > kLatticeSize - 1) {
            return std::nullopt;
        }
        index[k] = static_cast<int>(*number);
    }
    return std::pair(std::min(index[0], index[1]), std::max(index[0], index[1]));
}

} // namespace

std::variant<Block, std::string> ParseBlock(std::string_view text) {
    const auto spans = SplitFields(text, ',');
    const auto pressure = spans.size() == 2 ? SpanOf(spans[0]) : std::nullopt;
    const auto rpm = spans.size() == 2 ? SpanOf(spans[1]) : std::nullopt;
    if (!pressure || !rpm) {
        // Appended, not added to a literal: GCC's -Wrestrict misfires on that at -O3.
        std::string why(1, '\'');
        why += text;
        why += "' is no block: give P0:P1,R0:R1, pressure then RPM indices 0 to ";
        why += std::to_string(kLatticeSize - 1);
        return why;
    }
    return Block{pressure->first, pressure->second, rpm->first, rpm->second};
}

std::string BlockSizeText(const Block& block) {
    return std::to_string(block.columns()) + " x " + std::to_string(block.rows()) + " cells";
}
