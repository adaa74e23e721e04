#include "table/TableFormats.h"
#include "table/JsonTable.h"

#include "common/Extension.h"
#include "common/FileReplace.h"
#include "common/InputFile.h"
#include "common/Numbers.h"
#include "common/TextLines.h"
#include "table/CsvGrid.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace {

// Built up in place: GCC 12 reports a false -Wrestrict for "..." + std::string at -O2.
std::string Quoted(std::string_view name) {
    std::string text(1, '"');
    text += name;
    text += '"';
    return text;
}

} // namespace

std::optional<TableFormat> FormatOf(std::string_view path) {
    const std::string ext = LowerCaseExtension(path);
    if (ext == "vet") {
        return TableFormat::Vet;
    }
    if (ext == "csv") {
        return TableFormat::Csv;
    }
    if (ext == "json") {
        return TableFormat::Json;
    }
    return std::nullopt;
}

bool IsTextTable(std::string_view path) {
    const std::optional<TableFormat> format = FormatOf(path);
    return format == TableFormat::Csv || format == TableFormat::Json;
}

const char* ExtensionOf(TableFormat format) {
    switch (format) {
    case TableFormat::Vet:
        return ".vet";
    case TableFormat::Csv:
        return ".csv";
    case TableFormat::Json:
        break;
    }
    return ".json";
}

namespace {

std::variant<std::int16_t, std::string> WholeInt16Of(double value) {
    if (value != std::trunc(value)) {
        return std::string("is not a whole number");
    }
    if (value < -32768.0 || value > 32767.0) {
        return std::string("is outside -32768..32767");
    }
    return static_cast<std::int16_t>(value);
}

} // namespace

std::variant<std::int16_t, std::string> WholeInt16(std::string_view text) {
    if (IsBlankText(text)) {
        return std::string("is empty");
    }
    const std::optional<double> value = ParseNumber(text);
    if (!value) {
        return std::string("is not a number");
    }
    return WholeInt16Of(*value);
}

std::string CsvText(const TableFile& file) {
    const VeTable& t = file.table;
    std::string text;
    for (int p = 0; p < kLatticeSize; ++p) {
        text += ',';
        text += file.hasBreakpoints ? PressureHeaderText(t, p) : std::string();
    }
    text += '\n';
    for (int r = 0; r < kLatticeSize; ++r) {
        text += file.hasBreakpoints ? RpmHeaderText(t, r) : std::string();
        for (int p = 0; p < kLatticeSize; ++p) {
            text += ',';
            text += CellText(t, CellIndex(p, r));
        }
        text += '\n';
    }
    return text;
}

std::variant<TableFile, std::string> ParseCsvTable(std::string_view text) {
    const auto grid = SplitCsvGrid(text);
    if (const auto* why = std::get_if<std::string>(&grid)) {
        return *why;
    }
    TableFile file;
    const auto headers = ReadGridBreakpoints(std::get<CsvGrid>(grid), file.table);
    if (const auto* why = std::get_if<std::string>(&headers)) {
        return *why;
    }
    file.hasBreakpoints = std::get<bool>(headers);
    for (int cell = 0; cell < kCellCount; ++cell) {
        const auto value = WholeInt16(std::get<CsvGrid>(grid).cell(cell));
        if (const auto* why = std::get_if<std::string>(&value)) {
            return "the " + CellPlace(cell) + " " + *why;
        }
        file.table[cell] = std::get<std::int16_t>(value);
    }
    return file;
}

namespace {

void AppendArray(std::string& text, const VeTable& t, int first, int count, int perLine) {
    text += "[";
    for (int k = 0; k < count; ++k) {
        text += k == 0 ? "" : k % perLine == 0 ? ",\n    " : ", ";
        text += std::to_string(t[first + k]);
    }
    text += "]";
}

} // namespace

std::string JsonText(const TableFile& file) {
    std::string text = "{\n  \"cells\": ";
    AppendArray(text, file.table, 0, kCellCount, kLatticeSize);
    if (file.hasBreakpoints) {
        text += ",\n  \"rpmBreakpoints\": ";
        AppendArray(text, file.table, kRpmBase, kLatticeSize, kLatticeSize);
        text += ",\n  \"pressureBreakpoints\": ";
        AppendArray(text, file.table, kPressureBase, kLatticeSize, kLatticeSize);
    }
    if (file.intakeType) {
        text += ",\n  \"intakeType\": " + std::to_string(*file.intakeType);
    }
    return text + "\n}\n";
}

namespace {

// The number arrays a table's JSON holds: where each goes in the table, and how many it has.
struct JsonArray {
    const char* name;
    int first;
    int count;
};
constexpr JsonArray kJsonArrays[] = {{"cells", 0, kCellCount},
                                     {"rpmBreakpoints", kRpmBase, kLatticeSize},
                                     {"pressureBreakpoints", kPressureBase, kLatticeSize}};

std::optional<std::string> JsonInt16(const nlohmann::json& value, const std::string& what,
                                     std::int16_t& out) {
    if (!value.is_number()) {
        return what + " is not a number";
    }
    const auto whole = WholeInt16Of(value.get<double>());
    if (const auto* why = std::get_if<std::string>(&whole)) {
        return what + " " + *why;
    }
    out = std::get<std::int16_t>(whole);
    return std::nullopt;
}

std::optional<std::string> ReadJsonArray(const JsonArray& array, const nlohmann::json& values,
                                         VeTable& table) {
    const std::string name = Quoted(array.name);
    if (!values.is_array()) {
        return name + " is not an array of numbers";
    }
    const std::size_t count = static_cast<std::size_t>(array.count);
    for (std::size_t k = 0; k < std::min(values.size(), count); ++k) {
        const int at = static_cast<int>(k);
        const std::string where =
            array.first == 0 ? "the " + CellPlace(at) : name + " value " + std::to_string(at);
        if (auto error = JsonInt16(values[k], where, table[array.first + at])) {
            return error;
        }
    }
    if (values.size() != count) {
        return name + " has " + std::to_string(values.size()) + " values, not " +
               std::to_string(count);
    }
    return std::nullopt;
}

} // namespace

std::variant<TableFile, std::string> TableOfJson(const nlohmann::json& json) {
    if (!json.is_object()) {
        return std::string("it is not a JSON object");
    }
    TableFile file;
    for (const auto& member : json.items()) {
        const std::string& name = member.key();
        const nlohmann::json& value = member.value();
        const auto array = std::find_if(std::begin(kJsonArrays), std::end(kJsonArrays),
                                        [&name](const JsonArray& a) { return name == a.name; });
        std::optional<std::string> error;
        if (name == "intakeType") {
            std::int16_t type = 0;
            error = JsonInt16(value, "\"intakeType\"", type);
            file.intakeType = type;
        } else if (array == std::end(kJsonArrays)) {
            error = Quoted(name) + " is not a table's member";
        } else {
            error = ReadJsonArray(*array, value, file.table);
        }
        if (error) {
            return *error;
        }
    }
    if (!json.contains("cells")) {
        return std::string("it has no \"cells\"");
    }
    if (json.contains("rpmBreakpoints") != json.contains("pressureBreakpoints")) {
        return std::string("it has one kind of breakpoints without the other");
    }
    file.hasBreakpoints = json.contains("rpmBreakpoints");
    return file;
}

std::variant<TableFile, std::string> ParseJsonTable(std::string_view text) {
    auto json = ParseJson(text, kJsonTableDepth);
    if (const auto* why = std::get_if<std::string>(&json)) {
        return *why;
    }
    return TableOfJson(std::get<nlohmann::json>(json));
}

namespace {

// What every text input is checked for, line by line; a UTF-8 byte-order mark is dropped.
std::optional<std::string> TextFault(std::string& text) {
    TextLines lines = TextLines::Of(text);
    bool terminated = false;
    while (lines.next(terminated)) {
    }
    if (lines.fault()) {
        return *lines.fault();
    }
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.erase(0, 3);
    }
    return std::nullopt;
}

} // namespace

std::variant<std::string, FileError> ReadTableText(const std::string& path, std::size_t most) {
    auto opened = OpenInputFile(path);
    if (const auto* why = std::get_if<std::string>(&opened)) {
        return FileError{*why};
    }
    const File in = std::get<File>(std::move(opened));
    errno = 0;
    std::string text(most + 1, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), in.get()));
    if (std::ferror(in.get())) {
        return ErrorFromErrno("Cannot read", path);
    }
    if (text.size() > most) {
        return FileError{"Not a table file, " + path + " is over " + std::to_string(most >> 20) +
                         " MiB"};
    }
    if (const auto fault = TextFault(text)) {
        return FileError{"Not a table file, " + path + ": " + *fault};
    }
    return text;
}

std::variant<TableFile, FileError> ReadTableFile(const std::string& path) {
    const std::optional<TableFormat> format = FormatOf(path);
    if (!format) {
        return FileError{"Not a table file, " + path + ": name it .vet, .csv or .json"};
    }
    if (*format == TableFormat::Vet) {
        const auto read = ReadVetFile(path);
        if (const auto* error = std::get_if<FileError>(&read)) {
            return *error;
        }
        const VetCells& cells = std::get<VetCells>(read);
        TableFile file;
        std::copy(cells.begin(), cells.end(), file.table.begin());
        return file;
    }
    const auto read = ReadTableText(path);
    if (const auto* error = std::get_if<FileError>(&read)) {
        return *error;
    }
    const std::string& text = std::get<std::string>(read);
    auto parsed = *format == TableFormat::Csv ? ParseCsvTable(text) : ParseJsonTable(text);
    if (const auto* why = std::get_if<std::string>(&parsed)) {
        return FileError{"Not a table file, " + path + ": " + *why};
    }
    return std::get<TableFile>(parsed);
}

std::variant<std::monostate, FileError> WriteTableFile(const std::string& path,
                                                       const TableFile& file) {
    const std::optional<TableFormat> format = FormatOf(path);
    if (!format) {
        return FileError{"Cannot write " + path + ": name it .vet, .csv or .json"};
    }
    if (*format == TableFormat::Vet) {
        if (auto why = VetRefusal(file.table)) {
            return FileError{"Cannot write " + path + ": " + *why};
        }
        return WriteVetFile(path, VetCellsOf(file.table));
    }
    return WriteTextFile(path, *format == TableFormat::Csv ? CsvText(file) : JsonText(file));
}

std::variant<std::string, FileError> TableFileText(const std::string& path, const TableFile& file) {
    const std::optional<TableFormat> format = FormatOf(path);
    if (!format) {
        return FileError{"Cannot write " + path + ": name it .vet, .csv or .json"};
    }
    if (*format == TableFormat::Csv) {
        return CsvText(file);
    }
    if (*format == TableFormat::Json) {
        return JsonText(file);
    }
    if (auto why = VetRefusal(file.table)) {
        return FileError{"Cannot write " + path + ": " + *why};
    }
    const VetCells cells = VetCellsOf(file.table);
    std::string text(cells.begin(), cells.end());
    // An older, longer plain file keeps its tail after the 400 cells, as the window saves it.
    if (File old{std::fopen(path.c_str(), "rb")}) {
        const std::optional<OpenFileFacts> facts = FactsOf(old.get(), path);
        if (facts && facts->regular && std::fseek(old.get(), kVetFileBytes, SEEK_SET) == 0) {
            char buffer[65536];
            for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, old.get())) > 0;) {
                text.append(buffer, got);
            }
        }
    }
    return text;
}

std::vector<std::string> LeftOutOf(TableFormat format, const TableFile& file) {
    const std::string ext = ExtensionOf(format);
    std::vector<std::string> notes;
    if (format == TableFormat::Vet) {
        if (file.hasBreakpoints || file.intakeType) {
            notes.push_back("A .vet holds no breakpoints or intake type; they are left out");
        }
        return notes;
    }
    if (!file.hasBreakpoints) {
        notes.push_back("No breakpoints to write (a .vet holds none); the " + ext +
                        " leaves them out");
    }
    if (file.intakeType && format == TableFormat::Csv) {
        notes.push_back("A .csv holds no intake type; it is left out");
    }
    if (!file.intakeType && format == TableFormat::Json && file.hasBreakpoints) {
        notes.push_back("No intake type to write; the .json leaves it out");
    }
    return notes;
}
