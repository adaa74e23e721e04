#include "datalog/MlgWriter.h"

#include "common/Printable.h"

#include <bit>
#include <cfloat>
#include <cmath>

namespace {

void PutBig(std::string& out, std::uint64_t value, std::size_t bytes) {
    for (std::size_t k = bytes; k-- > 0;) {
        out += static_cast<char>((value >> (8 * k)) & 0xFF);
    }
}

void PutText(std::string& out, std::string_view text, std::size_t width) {
    out += text;
    out.append(width - text.size(), '\0');
}

bool IsSigned(MlgType type) {
    return type == MlgType::S08 || type == MlgType::S16 || type == MlgType::S32 ||
           type == MlgType::S64;
}

// Why `text` does not fit `width` bytes with its NUL; nothing when it does.
std::optional<std::string> TextFault(std::string_view what, std::string_view text,
                                     std::size_t width) {
    if (text.find('\0') != std::string_view::npos) {
        return std::string(what) + " holds a NUL byte";
    }
    if (text.size() >= width) {
        return std::string(what) + " longer than " + std::to_string(width - 1) + " bytes";
    }
    return std::nullopt;
}

std::optional<std::string> FieldFault(const MlgField& field, int version) {
    if (!MlgWidth(static_cast<std::uint8_t>(field.type), version)) {
        return MlgTypeFault(static_cast<std::uint8_t>(field.type), version);
    }
    if (field.name.empty()) {
        return "no name";
    }
    const auto units = "units \"" + Printable(field.units) + "\"";
    const auto category = "category \"" + Printable(field.category) + "\"";
    if (auto fault = TextFault("name", field.name, kMlgNameBytes)) {
        return fault;
    }
    if (auto fault = TextFault(units, field.units, kMlgUnitsBytes)) {
        return fault;
    }
    if (auto fault = TextFault(category, field.category, kMlgCategoryBytes)) {
        return fault;
    }
    // A raw value is the shown one divided by the scale.
    if (!std::isfinite(field.scale) || field.scale == 0 || !std::isfinite(field.transform)) {
        return "scale and transform must be finite and the scale not 0";
    }
    return std::nullopt;
}

std::optional<std::string> HeaderFault(const MlgHeader& header) {
    if (auto fault = MlgVersionFault(header.version)) {
        return fault;
    }
    if (auto fault = MlgCountFault(header.fields.size())) {
        return fault;
    }
    // Version 1 holds where the info begins in 16 bits.
    const std::size_t most = (0xFFFF - MlgHeaderBytes(1)) / MlgFieldBytes(1);
    if (header.version == 1 && header.fields.size() > most) {
        return "mlg header: " + std::to_string(header.fields.size()) + " fields, more than " +
               std::to_string(most) + " in version 1";
    }
    if (auto fault = TextFault("mlg info", header.info, kMlgMaxInfoBytes + 1)) {
        return fault;
    }
    for (std::size_t f = 0; f < header.fields.size(); ++f) {
        const MlgField& field = header.fields[f];
        if (auto fault = FieldFault(field, header.version)) {
            return MlgFieldFault(f, field.name, *fault);
        }
    }
    return std::nullopt;
}

} // namespace

std::variant<MlgWriter, std::string> MlgWriter::Make(MlgHeader header) {
    if (auto fault = HeaderFault(header)) {
        return *fault;
    }
    return MlgWriter(std::move(header));
}

MlgWriter::MlgWriter(MlgHeader header) : header_(std::move(header)) {
    const int version = header_.version;
    std::size_t recordBytes = 0;
    for (const MlgField& field : header_.fields) {
        recordBytes += *MlgWidth(static_cast<std::uint8_t>(field.type), version);
    }
    const std::size_t infoStart =
        MlgHeaderBytes(version) + header_.fields.size() * MlgFieldBytes(version);
    pending_ = kMlgMagic;
    PutBig(pending_, static_cast<std::uint64_t>(version), 2);
    PutBig(pending_, header_.timestamp, 4);
    PutBig(pending_, infoStart, version == 1 ? 2 : 4);
    PutBig(pending_, infoStart + header_.info.size() + 1, 4); // where the data begins
    PutBig(pending_, recordBytes, 2);
    PutBig(pending_, header_.fields.size(), 2);
    for (const MlgField& field : header_.fields) {
        pending_ += static_cast<char>(field.type);
        PutText(pending_, field.name, kMlgNameBytes);
        PutText(pending_, field.units, kMlgUnitsBytes);
        pending_ += static_cast<char>(field.displayStyle);
        if (MlgIsBits(field.type)) {
            // Its own display style, where its bit names begin (none are written), how many
            // bits it has, and three bytes unused.
            pending_ += static_cast<char>(field.displayStyle);
            PutBig(pending_, 0, 4);
            PutBig(pending_, 8 * *MlgWidth(static_cast<std::uint8_t>(field.type), version), 1);
            PutBig(pending_, 0, 3);
        } else {
            PutBig(pending_, std::bit_cast<std::uint32_t>(field.scale), 4);
            PutBig(pending_, std::bit_cast<std::uint32_t>(field.transform), 4);
            pending_ += static_cast<char>(field.digits);
        }
        if (version == 2) {
            PutText(pending_, field.category, kMlgCategoryBytes);
        }
    }
    pending_ += header_.info;
    pending_ += '\0';
}

void MlgWriter::blockHead(MlgBlock type, double timeS) {
    double ticks = std::round(timeS * kMlgTicksPerS);
    if (!std::isfinite(ticks) || ticks < 0) {
        ++clamped_;
        ticks = 0;
    }
    pending_ += static_cast<char>(type);
    pending_ += static_cast<char>(counter_++);
    PutBig(pending_,
           static_cast<std::uint64_t>(std::fmod(ticks, static_cast<double>(kMlgWrapTicks))), 2);
}

void MlgWriter::put(const MlgField& field, double value) {
    double raw = MlgRaw(field, value);
    if (field.type == MlgType::F32) {
        if (std::isfinite(raw) && std::abs(raw) > FLT_MAX) {
            ++clamped_;
            raw = std::copysign(FLT_MAX, raw);
        }
        PutBig(pending_, std::bit_cast<std::uint32_t>(static_cast<float>(raw)), 4);
        return;
    }
    raw = std::round(raw);
    const std::size_t width = *MlgWidth(static_cast<std::uint8_t>(field.type), header_.version);
    const int bits = static_cast<int>(8 * width);
    const bool isSigned = IsSigned(field.type);
    const double lowest = isSigned ? -std::ldexp(1.0, bits - 1) : 0.0;
    const double past = std::ldexp(1.0, isSigned ? bits - 1 : bits); // just above the range
    std::uint64_t stored = 0;
    if (std::isnan(raw)) {
        ++clamped_;
    } else if (raw < lowest) {
        ++clamped_;
        stored = static_cast<std::uint64_t>(static_cast<std::int64_t>(lowest));
    } else if (raw >= past) {
        ++clamped_;
        stored = (std::uint64_t{1} << (isSigned ? bits - 1 : bits)) - 1;
    } else {
        stored = isSigned ? static_cast<std::uint64_t>(static_cast<std::int64_t>(raw))
                          : static_cast<std::uint64_t>(raw);
    }
    PutBig(pending_, stored, width);
}

std::optional<std::string> MlgWriter::record(double timeS, std::span<const double> values) {
    if (values.size() != header_.fields.size()) {
        return "mlg record of " + std::to_string(values.size()) + " values where the log has " +
               std::to_string(header_.fields.size()) + " fields";
    }
    blockHead(MlgBlock::Record, timeS);
    const std::size_t start = pending_.size();
    for (std::size_t f = 0; f < values.size(); ++f) {
        put(header_.fields[f], values[f]);
    }
    pending_ += static_cast<char>(MlgChecksum(std::string_view(pending_).substr(start)));
    return std::nullopt;
}

std::optional<std::string> MlgWriter::marker(double timeS, std::string_view text) {
    if (auto fault = TextFault("mlg marker", text, kMlgMarkerBytes)) {
        return *fault + ": \"" + Printable(text) + "\"";
    }
    blockHead(MlgBlock::Marker, timeS);
    PutText(pending_, text, kMlgMarkerBytes);
    return std::nullopt;
}
