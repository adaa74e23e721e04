#include "DeviceTable.h"

#include <cmath>
#include <fstream>

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

bool DeviceTable::setCellsFromVet(std::string_view bytes) {
    if (bytes.size() < kCells) {
        return false;
    }
    for (int k = 0; k < kCells; ++k) {
        values_[k] = static_cast<unsigned char>(bytes[k]);
    }
    return true;
}

bool DeviceTable::loadVet(const std::string& path, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    std::string bytes(kCells, '\0');
    file.read(bytes.data(), kCells);
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    if (!setCellsFromVet(bytes)) {
        error = path + " holds " + std::to_string(bytes.size()) + " bytes; a .vet file has 400";
        return false;
    }
    return true;
}

} // namespace tvxsim
