#include "DeviceTable.h"

#include "table/VetFile.h"

#include <algorithm>
#include <cmath>

namespace tvxsim {
namespace {

// Closer together low down, where a tuner needs the resolution.
constexpr std::array<std::int16_t, DeviceTable::kBreakpoints> kRpmHundreds = {
    4, 6, 8, 10, 12, 14, 16, 18, 20, 23, 26, 29, 32, 36, 40, 44, 48, 53, 58, 65};

} // namespace

DeviceTable::DeviceTable() {
    for (int r = 0; r < kBreakpoints; ++r) {
        values_[kCells + r] = kRpmHundreds[r];
    }
    for (int p = 0; p < kBreakpoints; ++p) {
        values_[kCells + kBreakpoints + p] = static_cast<std::int16_t>(5 + 2 * p);
    }
    for (int p = 0; p < kBreakpoints; ++p) {
        for (int r = 0; r < kBreakpoints; ++r) {
            const double rpm = rpmBreakpoint(r) * 100.0;
            const double psi = pressureBreakpoint(p);
            const double rpmShape = std::exp(-std::pow((rpm - 4800.0) / 3000.0, 2.0));
            const double loadShape = (psi - 5.0) / 38.0;
            const double ve = 30.0 + 80.0 * (0.5 * rpmShape + 0.5 * loadShape);
            values_[p * kBreakpoints + r] = static_cast<std::int16_t>(std::lround(ve));
        }
    }
}

std::string DeviceTable::reply() const {
    std::string text;
    text.reserve(kReplyFields * 4);
    for (std::int16_t value : values_) {
        text += std::to_string(value);
        text += ',';
    }
    text += std::to_string(intakeType_);
    return text;
}

bool DeviceTable::loadVet(const std::string& path, std::string& error) {
    const auto read = ReadVetFile(path);
    if (const auto* failed = std::get_if<FileError>(&read)) {
        error = failed->reason;
        return false;
    }
    const VetCells& cells = std::get<VetCells>(read);
    std::copy(cells.begin(), cells.end(), values_.begin());
    return true;
}

} // namespace tvxsim
