// The default target, and the targets a tuner gives: a number or a .csv grid, never lambda.
#include "model/AfrTarget.h"

#include "table/TableFormats.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// RPM breakpoints 600, 1000, ... ; pressure 10, 14, 18 ... 86 PSI absolute.
VeTable Breakpoints() {
    VeTable table{};
    for (int k = 0; k < kLatticeSize; ++k) {
        table[kRpmBase + k] = static_cast<std::int16_t>(6 + 4 * k);
        table[kPressureBase + k] = static_cast<std::int16_t>(10 + 4 * k);
    }
    return table;
}

std::string Refusal(const std::variant<CellValues, std::string>& parsed) {
    const auto* why = std::get_if<std::string>(&parsed);
    return why ? *why : "accepted";
}

// A .csv grid of the table's breakpoints with every cell `value`.
std::string TargetGrid(const std::string& value) {
    TableFile file{Breakpoints(), true, std::nullopt};
    std::string csv = CsvText(file);
    for (std::size_t at = csv.find(",0"); at != std::string::npos; at = csv.find(",0", at)) {
        csv.replace(at, 2, "," + value);
        at += value.size() + 1;
    }
    return csv;
}

} // namespace

TEST(AfrTarget, defaultIsIdleCruiseAndFallsWithBoost) {
    const CellValues target = DefaultTarget(Breakpoints());
    const struct {
        int p, r;
        double afr;
    } cases[] = {
        {0, 0, 14.2},                           // 600 RPM: idle, whatever the load
        {19, 0, 14.2},                          // idle even under boost
        {1, 1, 14.7},                           // 1000 RPM, 14 PSI: below atmosphere
        {2, 1, 14.7 - 2.9 * (18 - 14.67) / 15}, // 3.33 PSI of boost
        {7, 5, 11.8},                           // 38 PSI: beyond 15 of boost, held
        {19, 19, 11.8},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(target[CellIndex(c.p, c.r)], c.afr, 1e-9) << c.p << "," << c.r;
    }
}

TEST(AfrTarget, aNumberOrAGridIsTakenAndLambdaIsNot) {
    const VeTable table = Breakpoints();
    const auto number = TargetFromArgument("13.5", table);
    ASSERT_EQ(Refusal(number), "accepted");
    EXPECT_EQ(std::get<CellValues>(number)[123], 13.5);
    const auto grid = ParseTargetCsv(TargetGrid("12.5"), table);
    ASSERT_EQ(Refusal(grid), "accepted");
    EXPECT_EQ(std::get<CellValues>(grid)[CellIndex(19, 19)], 12.5);

    EXPECT_NE(Refusal(TargetFromArgument("1.0", table)).find("not lambda"), std::string::npos);
    const struct {
        std::string csv;
        std::string says;
    } refused[] = {
        {TargetGrid("0.98"), "has more than one decimal"},
        {TargetGrid("0.9"), "not lambda"},
        {TargetGrid("14.7").replace(0, 5, ",-3.6"), "not the table's breakpoints"},
        {TargetGrid("x"), "is not a number"},
    };
    for (const auto& r : refused) {
        EXPECT_NE(Refusal(ParseTargetCsv(r.csv, table)).find(r.says), std::string::npos)
            << Refusal(ParseTargetCsv(r.csv, table));
    }
    EXPECT_NE(Refusal(TargetFromArgument("target.json", table)).find("not target.json"),
              std::string::npos);
}
