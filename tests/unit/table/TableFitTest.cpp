// A table bound for the device: its cells, its breakpoints and its intake type, each refusal
// named by its first fault.
#include "table/TableFit.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// The device's breakpoints: RPM 400 to 6500 as tvxsim has them, pressure 5 to 43 PSI absolute.
VeTable Device() {
    constexpr std::int16_t kRpm[kLatticeSize] = {4,  6,  8,  10, 12, 14, 16, 18, 20, 23,
                                                 26, 29, 32, 36, 40, 44, 48, 53, 58, 65};
    VeTable table{};
    table.fill(100);
    for (int k = 0; k < kLatticeSize; ++k) {
        table[kRpmBase + k] = kRpm[k];
        table[kPressureBase + k] = static_cast<std::int16_t>(5 + 2 * k);
    }
    return table;
}

} // namespace

TEST(TableFit, aFileThatDoesNotFitTheDeviceIsRefusedByItsFirstFault) {
    const VeTable device = Device();
    const struct {
        const char* what;
        std::function<void(TableFile&)> change;
        DeviceShape shape;
        const char* says; // nullptr: it fits
    } cases[] = {
        {"the device's own table", [](TableFile&) {}, {&device}, nullptr},
        {"the highest VE", [](TableFile& f) { f.table[399] = 32767; }, {&device}, nullptr},
        {"a VE of 0",
         [](TableFile& f) { f.table[3] = 0; },
         {&device},
         "the cell at pressure index 0, RPM index 3 holds 0; a VE is 1 to 32767"},
        {"rows from 6500 RPM down",
         [&device](TableFile& f) {
             std::reverse_copy(device.begin() + kRpmBase, device.begin() + kPressureBase,
                               f.table.begin() + kRpmBase);
         },
         {&device},
         "the file's RPM breakpoint 1 is 6500 RPM, the device's is 400 RPM"},
        {"breakpoints that do not rise, the device's unknown",
         [](TableFile& f) { f.table[kPressureBase + 3] = f.table[kPressureBase + 2]; },
         {nullptr},
         "the file's pressure breakpoints do not rise: breakpoint 4 is 9 PSI absolute after 9 "
         "PSI absolute"},
        {"other RPM breakpoints",
         [](TableFile& f) { f.table[kRpmBase] = 5; },
         {&device},
         "the file's RPM breakpoint 1 is 500 RPM, the device's is 400 RPM"},
        {"breakpoints of a device not yet known",
         [](TableFile& f) { f.table[kRpmBase] = 5; },
         {nullptr},
         nullptr},
        {"cells only",
         [](TableFile& f) { f.hasBreakpoints = false, f.table[kRpmBase] = 0; },
         {&device},
         nullptr},
        {"intake 3 on release 1.7", [](TableFile& f) { f.intakeType = 3; }, {&device, 3}, nullptr},
        {"intake 3 on release 1.2",
         [](TableFile& f) { f.intakeType = 3; },
         {&device, 2},
         "its intake type 3 is none the device has (1 to 2)"},
    };
    for (const auto& c : cases) {
        TableFile file{device, true, 1};
        c.change(file);
        const auto refused = FitRefusal(file, c.shape);
        EXPECT_EQ(refused.value_or("fits"), c.says ? c.says : "fits") << c.what;
    }
}
