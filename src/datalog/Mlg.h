// The MegaLogViewer binary log (.mlg, "MLVLG"), versions 1 and 2: what its writer and reader share.
//
// The file: a header (every number big-endian), one descriptor per field, free info text, then
// blocks. A block is its type (0 a record, 1 a marker), a counter that rolls over at 256, a
// 16-bit timestamp in 10 µs ticks that wraps every 0.65536 s, then either the record's raw
// values and a checksum byte (their sum modulo 256) or a marker's 50-byte message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A value is stored raw; a viewer shows (raw + transform) * scale: the transform is added first.
enum class MlgType : std::uint8_t {
    U08 = 0,
    S08 = 1,
    U16 = 2,
    S16 = 3,
    U32 = 4,
    S32 = 5,
    S64 = 6,
    F32 = 7,
    // Version 2 only: the raw bits, each a flag; no scale or transform applies.
    U08Bits = 10,
    U16Bits = 11,
    U32Bits = 12,
};

struct MlgField {
    std::string name;
    std::string units;
    MlgType type = MlgType::F32;
    std::uint8_t displayStyle = 0; // 0 a number, 1 hex, 2 bits, 3 a date, 4 on/off, ...
    float scale = 1;
    float transform = 0;
    std::int8_t digits = 0; // decimals a viewer shows
    std::string category;   // version 2 only: the group a viewer lists the field under
};

struct MlgHeader {
    int version = 2;
    std::uint32_t timestamp = 0; // when logging began, in seconds since 1970 (UTC)
    std::string info;            // free text: the program, the capture date
    std::vector<MlgField> fields;
};

enum class MlgBlock : std::uint8_t { Record = 0, Marker = 1 };

// Each text is padded with NUL bytes to its width; one NUL at least ends it.
inline constexpr std::size_t kMlgNameBytes = 34;
inline constexpr std::size_t kMlgUnitsBytes = 10;
inline constexpr std::size_t kMlgCategoryBytes = 34;
inline constexpr std::size_t kMlgMarkerBytes = 50;

inline constexpr std::string_view kMlgMagic{"MLVLG\0", 6};
inline constexpr double kMlgTicksPerS = 100'000;
inline constexpr std::int64_t kMlgWrapTicks = 65536;
inline constexpr std::size_t kMlgBlockHeadBytes = 4; // type, counter, timestamp
// No logger has near as many; they bound the header a reader holds.
inline constexpr std::size_t kMlgMaxFields = 4096;
inline constexpr std::size_t kMlgMaxInfoBytes = 64 * 1024;

// The fixed header and one field's descriptor; version 2 widens the info's offset to 32 bits and
// adds the category.
std::size_t MlgHeaderBytes(int version);
std::size_t MlgFieldBytes(int version);
// A raw value's bytes; nothing for a type the version does not have.
std::optional<std::size_t> MlgWidth(std::uint8_t type, int version);
bool MlgIsBits(MlgType type);
// A scale that is the float nearest 10^-digits stands for that decimal step exactly: a count of
// steps reads back as the decimal it was, as a text log holds it, however many there are (by the
// float alone a count past some ten million is off by a step). Then 10^digits; else nothing.
std::optional<double> MlgStepsPerUnit(const MlgField& field);
// What a field shows for its raw value, and the raw value that shows `value`, not yet rounded.
double MlgShown(const MlgField& field, double raw);
double MlgRaw(const MlgField& field, double value);
std::uint8_t MlgChecksum(std::string_view bytes);

// What reader and writer alike refuse: "mlg header: format version 3, not 1 or 2", "mlg header:
// no fields"; nothing when they can be.
std::optional<std::string> MlgVersionFault(int version);
std::optional<std::string> MlgCountFault(std::size_t fields);
// "mlg field 3 (RPM): type 9 is unknown to version 2", numbered from 1, the name escaped.
std::string MlgFieldFault(std::size_t index, std::string_view name, const std::string& what);
std::string MlgTypeFault(std::uint8_t type, int version);
