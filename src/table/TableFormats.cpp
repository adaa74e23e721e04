#include "table/TableFormats.h"

#include "common/Extension.h"
#include "link/Protocol.h"
#include "table/CsvGrid.h"
#include "table/FileReplace.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <memory>

namespace {

// Far beyond any table, so a wrong file is refused before it is read into memory.
constexpr std::size_t kMaxTextFileBytes = 1 << 20;

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

std::variant<std::int16_t, std::string> WholeInt16(std::string_view text) {
    if (IsBlankText(text)) {
        return std::string("is empty");
    }
    const std::optional<double> value = ParseNumber(text);
    if (!value) {
        return std::string("is not a number");
    }
    if (*value != std::trunc(*value)) {
        return std::string("is not a whole number");
    }
    if (*value < -32768.0 || *value > 32767.0) {
        return std::string("is outside -32768..32767");
    }
    return static_cast<std::int16_t>(*value);
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

// The one shape a table's JSON has: an object of named number arrays and numbers. Flat, so no
// input can nest it deeper, and no array is read past the length its name allows.
class JsonReader {
public:
    explicit JsonReader(std::string_view text) : text_(text) {}

    std::variant<TableFile, std::string> read() {
        TableFile file;
        bool seen[4] = {};
        if (!take('{')) {
            return std::string("it is not a JSON object");
        }
        for (bool first = true; !take('}'); first = false) {
            if (!first && !take(',')) {
                return std::string("a ',' or '}' is missing after a value");
            }
            const std::optional<std::string_view> key = string();
            if (!key || !take(':')) {
                return std::string("a member has no \"name\": before its value");
            }
            const int which = *key == "cells"                 ? 0
                              : *key == "rpmBreakpoints"      ? 1
                              : *key == "pressureBreakpoints" ? 2
                              : *key == "intakeType"          ? 3
                                                              : -1;
            if (which < 0 || seen[which]) {
                return Quoted(*key) + " is " + (which < 0 ? "not a table's member" : "given twice");
            }
            seen[which] = true;
            std::optional<std::string> error;
            if (which == 3) {
                std::int16_t value = 0;
                error = number("\"intakeType\"", value);
                file.intakeType = value;
            } else {
                const int first = which == 0 ? 0 : which == 1 ? kRpmBase : kPressureBase;
                error = array(*key, file.table, first, which == 0 ? kCellCount : kLatticeSize);
            }
            if (error) {
                return *error;
            }
        }
        skipBlanks();
        if (pos_ != text_.size()) {
            return std::string("something follows the object");
        }
        if (!seen[0]) {
            return std::string("it has no \"cells\"");
        }
        if (seen[1] != seen[2]) {
            return std::string("it has one kind of breakpoints without the other");
        }
        file.hasBreakpoints = seen[1];
        return file;
    }

private:
    void skipBlanks() {
        while (pos_ < text_.size() && IsBlankText(text_.substr(pos_, 1))) {
            ++pos_;
        }
    }
    bool take(char c) {
        skipBlanks();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    // A name: a plain string, no escapes (no table member needs one).
    std::optional<std::string_view> string() {
        if (!take('"')) {
            return std::nullopt;
        }
        const std::size_t end = text_.find_first_of("\"\\", pos_);
        if (end == std::string_view::npos || text_[end] != '"') {
            return std::nullopt;
        }
        const std::string_view s = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        return s;
    }
    std::optional<std::string> number(const std::string& what, std::int16_t& out) {
        skipBlanks();
        const std::size_t begin = pos_;
        while (pos_ < text_.size() &&
               std::string_view("+-0123456789.eE").find(text_[pos_]) != std::string_view::npos) {
            ++pos_;
        }
        const auto value = WholeInt16(text_.substr(begin, pos_ - begin));
        if (const auto* why = std::get_if<std::string>(&value)) {
            return what + " " + (*why == "is empty" ? "is not a number" : *why);
        }
        out = std::get<std::int16_t>(value);
        return std::nullopt;
    }
    std::optional<std::string> array(std::string_view key, VeTable& t, int first, int count) {
        const std::string name = Quoted(key);
        if (!take('[')) {
            return name + " is not an array of numbers";
        }
        int got = 0;
        for (; !take(']'); ++got) {
            if ((got > 0 && !take(',')) || got == count) {
                return name + (got == count ? " has more than " + std::to_string(count) + " values"
                                            : " lacks a ',' or ']'");
            }
            const std::string where =
                key == "cells" ? "the " + CellPlace(got) : name + " value " + std::to_string(got);
            if (auto error = number(where, t[first + got])) {
                return error;
            }
        }
        if (got != count) {
            return name + " has " + std::to_string(got) + " values, not " + std::to_string(count);
        }
        return std::nullopt;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

} // namespace

std::variant<TableFile, std::string> ParseJsonTable(std::string_view text) {
    return JsonReader(text).read();
}

std::variant<std::string, FileError> ReadTableText(const std::string& path) {
    errno = 0;
    File in(std::fopen(path.c_str(), "rb"));
    if (!in) {
        return ErrorFromErrno("Cannot open", path);
    }
    std::string text(kMaxTextFileBytes + 1, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), in.get()));
    if (std::ferror(in.get())) {
        return ErrorFromErrno("Cannot read", path);
    }
    if (text.size() > kMaxTextFileBytes) {
        return FileError{"Not a table file, " + path + " is over 1 MiB"};
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
        return WriteVetFile(path, VetCellsOf(file.table));
    }
    return WriteTextFile(path, *format == TableFormat::Csv ? CsvText(file) : JsonText(file));
}

std::variant<std::monostate, FileError> WriteTextFile(const std::string& path,
                                                      const std::string& text) {
    errno = 0;
    // A plain file, new or old, is replaced whole, so a failed write leaves the old one; a
    // device or pipe is written as it is.
    std::optional<FileError> error;
    if (File old{std::fopen(path.c_str(), "rb")}) {
        const std::optional<OpenFileFacts> facts = FactsOf(old.get(), path);
        if (facts && facts->regular) {
            error = ReplaceWhole(facts->target, path, text, facts->mode);
        } else {
            File out(std::fopen(path.c_str(), "wb"));
            if (!out || std::fwrite(text.data(), 1, text.size(), out.get()) != text.size() ||
                std::fclose(out.release()) != 0) {
                error = ErrorFromErrno("Cannot write", path);
            }
        }
    } else {
        error = ReplaceWhole(path, path, text, NewFileMode());
    }
    return error ? std::variant<std::monostate, FileError>(*error) : std::monostate{};
}

std::vector<std::string> LeftOutOf(TableFormat format, const TableFile& file) {
    const std::string ext = ExtensionOf(format);
    std::vector<std::string> notes;
    if (format == TableFormat::Vet) {
        if (file.hasBreakpoints || file.intakeType) {
            notes.push_back("A .vet holds no breakpoints or intake type; they are left out");
        }
        const auto outside = std::count_if(file.table.begin(), file.table.begin() + kCellCount,
                                           [](std::int16_t v) { return v < 0 || v > 255; });
        if (outside > 0) {
            notes.push_back(std::to_string(outside) +
                            " cells lie outside 0..255; a .vet keeps only their low byte");
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
