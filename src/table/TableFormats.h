// Table files by extension: .vet (the cells, as the window keeps them), .csv (the grid as the
// window shows it) and .json (cells, breakpoints and intake type).
#pragma once

#include "common/TextFiles.h"
#include "table/VeTable.h"
#include "table/VetFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

enum class TableFormat { Vet, Csv, Json };

// What a name's extension says, in any letter case; nothing for any other name.
std::optional<TableFormat> FormatOf(std::string_view path);
const char* ExtensionOf(TableFormat format);
// .csv or .json: our own table files, which hold breakpoints and an intake type besides the cells.
bool IsTextTable(std::string_view path);

// One table file's content. A .vet knows the cells only, a .csv the breakpoints too; the
// breakpoint entries of `table` stay 0 when hasBreakpoints is false.
struct TableFile {
    VeTable table{};
    bool hasBreakpoints = false;
    std::optional<std::int16_t> intakeType;
    bool operator==(const TableFile&) const = default;
};

// A whole number in the 16-bit range; nothing typed by hand is rounded. Else why not, in words
// that follow the field's name ("is not a number").
std::variant<std::int16_t, std::string> WholeInt16(std::string_view text);

std::string CsvText(const TableFile& file);
std::string JsonText(const TableFile& file);
std::variant<TableFile, std::string> ParseCsvTable(std::string_view text);
std::variant<TableFile, std::string> ParseJsonTable(std::string_view text);

// The whole of a table's text file; one over `most` bytes is no table and is refused unread.
inline constexpr std::size_t kMaxTableTextBytes = std::size_t{1} << 20;
std::variant<std::string, FileError> ReadTableText(const std::string& path,
                                                   std::size_t most = kMaxTableTextBytes);

// Read and written as the extension says; a .vet exactly as the window loads and saves it.
std::variant<TableFile, FileError> ReadTableFile(const std::string& path);
std::variant<std::monostate, FileError> WriteTableFile(const std::string& path,
                                                       const TableFile& file);

// The bytes `file` is written as at `path`, by its extension: a .vet keeps an older, longer
// file's tail after its 400 cells, as the window saves it.
std::variant<std::string, FileError> TableFileText(const std::string& path, const TableFile& file);

// What writing `file` as `format` leaves out, one note each; empty when nothing is lost.
std::vector<std::string> LeftOutOf(TableFormat format, const TableFile& file);
