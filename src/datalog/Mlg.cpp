#include "datalog/Mlg.h"

#include "common/Numbers.h"
#include "common/Printable.h"

#include <cmath>

std::size_t MlgHeaderBytes(int version) {
    return version == 1 ? 22 : 24;
}

std::size_t MlgFieldBytes(int version) {
    return version == 1 ? 55 : 55 + kMlgCategoryBytes;
}

std::optional<std::size_t> MlgWidth(std::uint8_t type, int version) {
    switch (static_cast<MlgType>(type)) {
    case MlgType::U08:
    case MlgType::S08:
        return 1;
    case MlgType::U16:
    case MlgType::S16:
        return 2;
    case MlgType::U32:
    case MlgType::S32:
    case MlgType::F32:
        return 4;
    case MlgType::S64:
        return 8;
    case MlgType::U08Bits:
        return version == 1 ? std::nullopt : std::optional<std::size_t>(1);
    case MlgType::U16Bits:
        return version == 1 ? std::nullopt : std::optional<std::size_t>(2);
    case MlgType::U32Bits:
        return version == 1 ? std::nullopt : std::optional<std::size_t>(4);
    }
    return std::nullopt;
}

bool MlgIsBits(MlgType type) {
    return type == MlgType::U08Bits || type == MlgType::U16Bits || type == MlgType::U32Bits;
}

std::optional<double> MlgStepsPerUnit(const MlgField& field) {
    if (MlgIsBits(field.type) || field.type == MlgType::F32 || field.digits < 0 ||
        field.digits > 9) {
        return std::nullopt;
    }
    const double steps = PowerOfTen(field.digits);
    if (field.scale != static_cast<float>(1 / steps)) {
        return std::nullopt;
    }
    return steps;
}

double MlgShown(const MlgField& field, double raw) {
    if (MlgIsBits(field.type)) {
        return raw; // read with scale 1 and transform 0: it shows its bits
    }
    const double counted = raw + static_cast<double>(field.transform);
    const auto steps = MlgStepsPerUnit(field);
    return steps ? counted / *steps : counted * static_cast<double>(field.scale);
}

double MlgRaw(const MlgField& field, double value) {
    if (MlgIsBits(field.type)) {
        return value;
    }
    const auto steps = MlgStepsPerUnit(field);
    return (steps ? value * *steps : value / field.scale) - field.transform;
}

std::uint8_t MlgChecksum(std::string_view bytes) {
    std::uint8_t sum = 0;
    for (const char byte : bytes) {
        sum = static_cast<std::uint8_t>(sum + static_cast<std::uint8_t>(byte));
    }
    return sum;
}

std::optional<std::string> MlgVersionFault(int version) {
    if (version != 1 && version != 2) {
        return "mlg header: format version " + std::to_string(version) + ", not 1 or 2";
    }
    return std::nullopt;
}

std::optional<std::string> MlgCountFault(std::size_t fields) {
    if (fields == 0) {
        return std::string("mlg header: no fields");
    }
    if (fields > kMlgMaxFields) {
        return "mlg header: " + std::to_string(fields) + " fields, more than " +
               std::to_string(kMlgMaxFields);
    }
    return std::nullopt;
}

std::string MlgFieldFault(std::size_t index, std::string_view name, const std::string& what) {
    return "mlg field " + std::to_string(index + 1) + " (" + Printable(name) + "): " + what;
}

std::string MlgTypeFault(std::uint8_t type, int version) {
    return "type " + std::to_string(type) + " is unknown to version " + std::to_string(version);
}
