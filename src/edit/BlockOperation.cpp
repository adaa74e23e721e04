#include "edit/BlockOperation.h"

#include "common/Numbers.h"
#include "table/CsvGrid.h"
#include "table/TableFit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>

namespace {

struct EditName {
    EditKind kind;
    const char* name;
    std::string takes; // what its value is; empty: it takes none
    std::function<std::optional<double>(std::string_view)> read;
};

std::optional<double> WholeValue(std::string_view text, int lowest) {
    const auto value = WholeInt16(text);
    const auto* number = std::get_if<std::int16_t>(&value);
    return number && *number >= lowest ? std::optional<double>(*number) : std::nullopt;
}

// In EditKind's order.
const std::array<EditName, 5>& EditNames() {
    static const std::array<EditName, 5> names = {{
        {EditKind::Set, "set",
         "a VE, " + std::to_string(kLowestVe) + " to " + std::to_string(kHighestVe),
         [](std::string_view v) { return WholeValue(v, kLowestVe); }},
        {EditKind::Add, "add", "a whole number",
         [](std::string_view v) { return WholeValue(v, -kHighestVe); }},
        {EditKind::Scale, "scale", "a percentage", ParseNumber},
        {EditKind::Interpolate, "interpolate", "", nullptr},
        {EditKind::Smooth, "smooth", "", nullptr},
    }};
    return names;
}

const EditName& NameOf(EditKind kind) {
    return EditNames()[static_cast<std::size_t>(kind)];
}

std::string NumberText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

// Halves away from zero, as a tuner rounds by hand: 6.5 is 7 and -6.5 is -7, where the default
// floating-point rounding gives 6 and -6.
double RoundedVe(double value) {
    return std::round(value);
}

// Each cell of the block from what `wanted` makes of it, all read from the table as it was.
std::variant<CellChanges, std::string> Made(const VeTable& table, const Block& block,
                                            const std::function<double(int, int)>& wanted) {
    VeTable after = table;
    for (int p = block.p0; p <= block.p1; ++p) { // in cell index order
        for (int r = block.r0; r <= block.r1; ++r) {
            const double value = RoundedVe(wanted(p, r));
            if (!(value >= kLowestVe && value <= kHighestVe)) {
                char whole[320]; // the digits of the largest double
                std::snprintf(whole, sizeof whole, "%.0f", value);
                return "the " + CellPlace(CellIndex(p, r)) + " would be " + whole + "; " +
                       VeRangeText();
            }
            after[CellIndex(p, r)] = static_cast<std::int16_t>(value);
        }
    }
    return ChangedCells(table, after);
}

// 3/4 of the cell and 1/4 of the mean of its neighbours on the table, as one division of whole
// numbers so that an exact half stays one.
double Smoothed(const VeTable& table, int p, int r) {
    int sum = 0;
    int count = 0;
    for (int q = std::max(p - 1, 0); q <= std::min(p + 1, kLatticeSize - 1); ++q) {
        for (int s = std::max(r - 1, 0); s <= std::min(r + 1, kLatticeSize - 1); ++s) {
            if (q != p || s != r) {
                sum += table[CellIndex(q, s)];
                ++count;
            }
        }
    }
    return (3.0 * table[CellIndex(p, r)] * count + sum) / (4.0 * count);
}

struct Axis {
    const char* name;
    std::int16_t (*breakpoint)(const VeTable&, int);
    std::string (*shown)(const VeTable&, int);
};
constexpr Axis kPressure{"pressure", PressureBreakpoint, PressureHeaderText};
constexpr Axis kRpm{"RPM", RpmBreakpoint, RpmHeaderText};

std::optional<std::string> SpanRefusal(const VeTable& table, const Axis& axis, int first,
                                       int last) {
    for (int k = first + 1; k <= last; ++k) {
        if (axis.breakpoint(table, k) <= axis.breakpoint(table, k - 1)) {
            return "interpolation needs breakpoints that rise across the block; the " +
                   std::string(axis.name) + " breakpoints at indices " + std::to_string(k - 1) +
                   " and " + std::to_string(k) + " are " + axis.shown(table, k - 1) + " and " +
                   axis.shown(table, k);
        }
    }
    return std::nullopt;
}

// Where breakpoint k lies in the span first..last: `at` of the span's `width`, both whole, so the
// interpolation is one division and an exact half stays one. A span of one lies at its start.
struct Place {
    std::int64_t at, width; // up to 65535, and three factors to a term: past 32 bits
};
Place PlaceOf(const VeTable& table, const Axis& axis, int first, int last, int k) {
    if (first == last) {
        return {0, 1};
    }
    const std::int64_t start = axis.breakpoint(table, first);
    return {axis.breakpoint(table, k) - start, axis.breakpoint(table, last) - start};
}

// Bilinear in the breakpoints' values, from the block's four corners.
double Interpolated(const VeTable& table, const Block& block, int p, int r) {
    const Place u = PlaceOf(table, kPressure, block.p0, block.p1, p);
    const Place v = PlaceOf(table, kRpm, block.r0, block.r1, r);
    const auto corner = [&](int q, int s) { return std::int64_t{table[CellIndex(q, s)]}; };
    const std::int64_t sum = (u.width - u.at) * (v.width - v.at) * corner(block.p0, block.r0) +
                             u.at * (v.width - v.at) * corner(block.p1, block.r0) +
                             (u.width - u.at) * v.at * corner(block.p0, block.r1) +
                             u.at * v.at * corner(block.p1, block.r1);
    return static_cast<double>(sum) / static_cast<double>(u.width * v.width);
}

std::optional<std::string> InterpolationRefusal(const TableFile& file, const Block& block) {
    if (!file.hasBreakpoints) {
        return std::string("interpolation needs the table's breakpoints, and this one has none");
    }
    if (auto why = SpanRefusal(file.table, kPressure, block.p0, block.p1)) {
        return why;
    }
    return SpanRefusal(file.table, kRpm, block.r0, block.r1);
}

} // namespace

bool TakesValue(EditKind kind) {
    return !NameOf(kind).takes.empty();
}

std::optional<EditKind> EditKindNamed(std::string_view name) {
    const auto& names = EditNames();
    const auto edit = std::find_if(names.begin(), names.end(),
                                   [name](const EditName& e) { return name == e.name; });
    return edit == names.end() ? std::nullopt : std::optional<EditKind>(edit->kind);
}

std::variant<EditOperation, std::string> ParseEdit(std::string_view name, std::string_view value) {
    const auto& names = EditNames();
    const auto edit = std::find_if(names.begin(), names.end(),
                                   [name](const EditName& e) { return name == e.name; });
    if (edit == names.end()) {
        std::string list;
        for (std::size_t k = 0; k < names.size(); ++k) {
            list += k == 0 ? "" : k + 1 == names.size() ? " or " : ", ";
            list += names[k].name;
        }
        std::string why(1, '\''); // appended: GCC's -Wrestrict misfires on a literal + string
        why += name;
        why += "' is no edit: ";
        why += list;
        return why;
    }
    std::string quoted(1, '\'');
    quoted += value;
    quoted += '\'';
    const bool given = !IsBlankText(value);
    if (edit->takes.empty()) {
        if (given) {
            return std::string(edit->name) + " takes no value, not " + quoted;
        }
        return EditOperation{edit->kind};
    }
    if (!given) {
        return std::string(edit->name) + " needs " + edit->takes;
    }
    const auto number = edit->read(value);
    if (!number) {
        return std::string(edit->name) + " takes " + edit->takes + ", not " + quoted;
    }
    return EditOperation{edit->kind, *number};
}

std::string EditLabel(const EditOperation& operation, const Block& block) {
    const std::string cells = BlockSizeText(block);
    const std::string value = NumberText(operation.value);
    switch (operation.kind) {
    case EditKind::Set:
        return "set " + cells + " to " + value;
    case EditKind::Add:
        return "add " + value + " to " + cells;
    case EditKind::Scale:
        return "scale " + cells + " by " + value + "%";
    case EditKind::Interpolate:
    case EditKind::Smooth:
        break;
    }
    return NameOf(operation.kind).name + (" " + cells);
}

std::variant<CellChanges, std::string> EditChanges(const TableFile& file, const Block& block,
                                                   const EditOperation& operation) {
    const VeTable& t = file.table;
    const double value = operation.value;
    switch (operation.kind) {
    case EditKind::Set:
        return Made(t, block, [value](int, int) { return value; });
    case EditKind::Add:
        return Made(t, block, [&](int p, int r) { return t[CellIndex(p, r)] + value; });
    case EditKind::Scale:
        // old x (100 + PCT) / 100 rather than old x (1 + PCT / 100): whole numbers until the one
        // division, so 45 less 30% is exactly 31.5 and rounds as the half it is.
        return Made(t, block,
                    [&](int p, int r) { return t[CellIndex(p, r)] * (100.0 + value) / 100.0; });
    case EditKind::Smooth:
        return Made(t, block, [&t](int p, int r) { return Smoothed(t, p, r); });
    case EditKind::Interpolate:
        break;
    }
    if (auto why = InterpolationRefusal(file, block)) {
        return *why;
    }
    return Made(t, block, [&](int p, int r) { return Interpolated(t, block, p, r); });
}
