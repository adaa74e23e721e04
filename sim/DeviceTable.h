// The device's own VE table, breakpoints and intake type, and the reply that carries them.
#pragma once

#include "table/VeTable.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tvxsim {

class DeviceTable {
public:
    static constexpr int kCells = 400;
    static constexpr int kBreakpoints = 20;
    static constexpr int kReplyFields = 441;

    // A plausible tune: VE rises with pressure and peaks around 4800 RPM.
    DeviceTable();

    std::int16_t cell(int index) const { return values_.at(static_cast<std::size_t>(index)); }
    void writeCell(int index, std::int16_t value) {
        values_.at(static_cast<std::size_t>(index)) = value;
    }
    std::int16_t rpmBreakpoint(int r) const { return values_.at(kCells + r); }
    std::int16_t pressureBreakpoint(int p) const { return values_.at(kCells + kBreakpoints + p); }
    // Cells and breakpoints, laid out as the window keeps them.
    const VeTable& values() const { return values_; }

    int intakeType() const { return intakeType_; }
    void setIntakeType(int code) { intakeType_ = code; }

    // All 441 fields, comma separated, nothing after the last.
    std::string reply() const;

    // Reads a .vet file into the cells, as the window loads one; on failure says why and leaves
    // the table alone.
    bool loadVet(const std::string& path, std::string& error);

private:
    VeTable values_{};
    int intakeType_ = 1;
};

} // namespace tvxsim
