// Edits of a block of cells by hand: set, add, scale, interpolate and smooth. An edit is worked
// out whole before anything is written, so one that would leave a cell the device refuses
// changes nothing.
#pragma once

#include "edit/Block.h"
#include "table/CellChange.h"
#include "table/TableFormats.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>

enum class EditKind { Set, Add, Scale, Interpolate, Smooth };

struct EditOperation {
    EditKind kind = EditKind::Set;
    double value = 0; // set: the VE; add: the whole amount; scale: the percentage
    bool operator==(const EditOperation&) const = default;
};

// Whether the edit takes a value (set, add, scale), so the window can ask for one.
bool TakesValue(EditKind kind);

// The edit of that name ("set", "smooth"); nothing for another word.
std::optional<EditKind> EditKindNamed(std::string_view name);

// An edit by its name and the text of its value, blank for none, as the command line and the
// window's value field give them; else why not ("scale takes a percentage, not 'x'").
std::variant<EditOperation, std::string> ParseEdit(std::string_view name, std::string_view value);

// For the undo history: "interpolate 4 x 3 cells", "add -5 to 4 x 3 cells".
std::string EditLabel(const EditOperation& operation, const Block& block);

// The cells the edit changes; else why it cannot be made, naming the first cell in index order
// that would leave what the device takes ("the cell at pressure index 3, RPM index 7 would be
// 0; a VE is 1 to 32767"). Interpolation needs the file's breakpoints.
std::variant<CellChanges, std::string> EditChanges(const TableFile& file, const Block& block,
                                                   const EditOperation& operation);
