#include "datalog/MlgRows.h"

#include "common/Numbers.h"

#include <cmath>

double ShownValue(double value, int digits) {
    // Past 9 decimals a double's own digits are all there is.
    if (digits < 0 || digits > 9 || !std::isfinite(value)) {
        return value;
    }
    // Divided by an exact power of ten the result is the double nearest the decimal, as a
    // text reader would parse it.
    const double unit = PowerOfTen(digits);
    return std::round(value * unit) / unit;
}

MlgRows::MlgRows(MlgReader reader, std::vector<std::string_view> needed)
    : reader_(std::move(reader)), names_(needed.begin(), needed.end()) {
    const auto& header = reader_.header();
    if (!header) {
        fault_ = reader_.tally().stop.value_or("mlg header: does not read");
        return;
    }
    if (names_.empty()) {
        for (const MlgField& field : header->fields) {
            names_.push_back(field.name);
        }
    }
    values_.resize(names_.size());
    for (const std::string& name : names_) {
        std::size_t f = 0;
        while (f < header->fields.size() && header->fields[f].name != name) {
            ++f;
        }
        if (f == header->fields.size()) {
            fault_ = "log has no " + name + " channel";
            return;
        }
        field_.push_back(f);
        const MlgField& field = header->fields[f];
        digits_.push_back(field.type == MlgType::F32 || MlgIsBits(field.type) ? -1 : field.digits);
    }
}

std::optional<std::span<const double>> MlgRows::next() {
    if (fault_) {
        return std::nullopt;
    }
    while (const auto block = reader_.next()) {
        const auto* record = std::get_if<MlgReader::Record>(&*block);
        if (!record) {
            const auto& marker = std::get<MlgReader::Marker>(*block);
            if (markers_.size() < kMostMarkers) {
                markers_.push_back({marker.timeS, std::string(marker.text)});
            }
            continue; // a marker holds no row
        }
        for (std::size_t n = 0; n < field_.size(); ++n) {
            values_[n] = ShownValue(record->values[field_[n]], digits_[n]);
        }
        return std::span<const double>(values_);
    }
    const MlgTally& tally = reader_.tally();
    if (tally.stop && !tally.cutShort) {
        fault_ = tally.stop;
    }
    return std::nullopt;
}

std::string MlgRows::rowError(const std::string& what) const {
    return "mlg record " + std::to_string(line()) + ": " + what;
}

const std::optional<std::string>& MlgRows::fault() const {
    return fault_;
}

std::string MlgRows::units(std::size_t n) const {
    const auto& header = reader_.header();
    return header && n < field_.size() ? header->fields[field_[n]].units : "";
}
