// The .csv and .json table readers on any bytes. Input: one byte (bit 0: .json, else .csv), the
// file's text. A refusal says why; a table it accepts is written again and reads back the same.
#include "FuzzCheck.h"
#include "table/TableFormats.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const bool json = (data[0] & 1) != 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const auto read = [json](std::string_view t) {
        return json ? ParseJsonTable(t) : ParseCsvTable(t);
    };
    const auto parsed = read(text);
    if (const auto* why = std::get_if<std::string>(&parsed)) {
        FUZZ_REQUIRE(!why->empty());
        return 0;
    }
    const TableFile& file = std::get<TableFile>(parsed);
    FUZZ_REQUIRE(json || !file.intakeType);
    for (int k = kRpmBase; !file.hasBreakpoints && k < kTableSize; ++k) {
        FUZZ_REQUIRE(file.table[k] == 0);
    }
    const auto again = read(json ? JsonText(file) : CsvText(file));
    FUZZ_REQUIRE(std::holds_alternative<TableFile>(again) && std::get<TableFile>(again) == file);
    return 0;
}
