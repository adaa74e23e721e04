#include "CellDifferences.h"

#include "link/Protocol.h"

std::vector<CellDifference> DifferentCells(const VeTable& first, const VeTable& second) {
    std::vector<CellDifference> differences;
    for (int cell = 0; cell < kCellCount; ++cell) {
        if (first[cell] != second[cell]) {
            differences.push_back({cell, first[cell], second[cell]});
        }
    }
    return differences;
}

std::string DifferenceLines(const std::vector<CellDifference>& differences) {
    std::string text;
    for (const CellDifference& d : differences) {
        text += std::to_string(PressureIndexOf(d.cell)) + " " + std::to_string(RpmIndexOf(d.cell)) +
                " " + std::to_string(d.first) + " " + std::to_string(d.second) + "\n";
    }
    return text;
}

std::vector<std::string> CellWrites(const VeTable& cells, const VeTable* device) {
    std::vector<std::string> messages;
    for (int cell = 0; cell < kCellCount; ++cell) {
        if (!device || (*device)[cell] != cells[cell]) {
            messages.push_back(CellWriteMessage(cell, cells[cell]));
        }
    }
    return messages;
}
