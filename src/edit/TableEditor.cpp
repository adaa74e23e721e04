#include "edit/TableEditor.h"

#include "edit/BlockText.h"
#include "table/TableFit.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace {

std::string CellsText(std::size_t n) {
    return n == 1 ? "1 cell" : std::to_string(n) + " cells";
}

// How the step's write ended, in the status bar's words.
std::string WrittenText(const std::string& label, const CellsWritten& result) {
    std::string text = label + ": " + CellsText(result.written.size()) + " written";
    if (result.lost) {
        text += " of " + std::to_string(result.asked) + "; the line was lost";
    }
    if (!result.keptAs.empty()) {
        text += "; the table was kept first as " + result.keptAs;
    }
    return text;
}

// A change made elsewhere, named as well as the cells tell it.
std::string OutsideLabel(const CellChanges& changes) {
    if (changes.size() == 1) {
        return "cell at pressure index " + std::to_string(PressureIndexOf(changes[0].cell)) +
               ", RPM index " + std::to_string(RpmIndexOf(changes[0].cell)) + " set to " +
               std::to_string(changes[0].after);
    }
    return CellsText(changes.size()) + " changed (a file load or an apply)";
}

} // namespace

bool TableEditor::edit(const Block& block, const EditOperation& operation) {
    const auto changes = EditChanges(host_.heldTable(), block, operation);
    if (const auto* why = std::get_if<std::string>(&changes)) {
        status_.showStatus("Nothing sent: " + *why);
        return false;
    }
    return write(std::get<CellChanges>(changes), EditLabel(operation, block), Step::New);
}

bool TableEditor::paste(const Block& block, const std::string& text) {
    const auto pasted = PasteChanges(host_.heldTable().table, CellIndex(block.p0, block.r0), text);
    if (const auto* why = std::get_if<std::string>(&pasted)) {
        status_.showStatus("Nothing pasted: " + *why);
        return false;
    }
    const Pasted& p = std::get<Pasted>(pasted);
    return write(p.changes, "paste " + BlockSizeText(p.block), Step::New);
}

bool TableEditor::restore(const Block& block, const VeTable& from, const std::string& name) {
    const VeTable held = host_.heldTable().table;
    VeTable wanted = held;
    for (int p = block.p0; p <= block.p1; ++p) {
        for (int r = block.r0; r <= block.r1; ++r) {
            wanted[CellIndex(p, r)] = from[CellIndex(p, r)];
        }
    }
    return write(ChangedCells(held, wanted), "restore " + BlockSizeText(block) + " from " + name,
                 Step::New);
}

bool TableEditor::undo() {
    if (host_.writingCells()) {
        status_.showStatus("Nothing undone: a change of the table is under way");
        return false;
    }
    watch();
    const auto label = history_.undoLabel();
    if (!label) {
        status_.showStatus("Nothing to undo");
        return false;
    }
    auto step = history_.undo();
    if (!write(step->changes, "undo " + *label, Step::Undo)) {
        history_.redo(); // nothing was written: the step stays done
        return false;
    }
    return true;
}

bool TableEditor::redo() {
    if (host_.writingCells()) {
        status_.showStatus("Nothing redone: a change of the table is under way");
        return false;
    }
    watch();
    const auto label = history_.redoLabel();
    if (!label) {
        status_.showStatus("Nothing to redo");
        return false;
    }
    auto step = history_.redo();
    if (!write(step->changes, "redo " + *label, Step::Redo)) {
        history_.undo();
        return false;
    }
    return true;
}

void TableEditor::watch() {
    if (host_.writingCells() || host_.awaitingTable()) {
        return;
    }
    const VeTable held = host_.heldTable().table;
    if (!known_) {
        known_ = held;
        return;
    }
    const CellChanges changes = ChangedCells(*known_, held);
    if (!changes.empty()) {
        history_.record({OutsideLabel(changes), changes});
        known_ = held;
    }
}

void TableEditor::startOver() {
    history_.clear();
    known_.reset();
}

bool TableEditor::write(const CellChanges& changes, const std::string& label, Step step) {
    if (changes.empty()) {
        status_.showStatus(label + ": no cell changes, nothing sent");
        return false;
    }
    watch(); // what changed elsewhere before this is a step of its own
    std::vector<CellValue> cells;
    std::transform(changes.begin(), changes.end(), std::back_inserter(cells),
                   [](const CellChange& c) {
                       return CellValue{c.cell, c.after};
                   });
    const auto refused = host_.writeCells(std::move(cells), BackupKind::BeforeEdit,
                                          [this, label, step](const CellsWritten& result) {
                                              status_.showStatus(WrittenText(label, result));
                                              if (known_) {
                                                  ApplyChanges(*known_, result.written);
                                              }
                                              // A new step is what reached the device; an undo or
                                              // redo cut short leaves the table between two steps,
                                              // and the history says nothing of it.
                                              if (step == Step::New) {
                                                  history_.record({label, result.written});
                                              }
                                          });
    if (refused) {
        status_.showStatus("Nothing sent: " + *refused);
        return false;
    }
    return true;
}

std::string BlockSummary(const VeTable& table, const Block& block) {
    int lowest = kHighestVe, highest = -kHighestVe - 1;
    double sum = 0;
    for (int p = block.p0; p <= block.p1; ++p) {
        for (int r = block.r0; r <= block.r1; ++r) {
            const int v = table[CellIndex(p, r)];
            lowest = std::min(lowest, v);
            highest = std::max(highest, v);
            sum += v;
        }
    }
    char text[160];
    std::snprintf(text, sizeof text,
                  "Block: pressure %d to %d, RPM %d to %d · %s · min %d · mean %.1f · max %d",
                  block.p0, block.p1, block.r0, block.r1, BlockSizeText(block).c_str(), lowest,
                  sum / (block.columns() * block.rows()), highest);
    return text;
}
