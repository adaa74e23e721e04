// The grid's layout, its filling from the table and the painting of selected cells.
#include "app/Form3D.h"

void Form3D::SetUpGrid() {
    Grid& grid = io_.grid;
    for (int k = 0; k <= kLatticeSize; ++k) {
        grid.setColWidth(k, kCellColumnTwips);
        grid.setRowHeight(k, kRowTwips);
        grid.setCellBackground(kCellColour);
    }
    grid.setColWidth(0, kHeaderColumnTwips);
}

void Form3D::FillGrid() {
    Grid& grid = io_.grid;
    for (int r = 0; r < kLatticeSize; ++r) {
        grid.setTextAt(r + 1, 0, RpmHeaderText(veTable, r));
    }
    for (int p = 0; p < kLatticeSize; ++p) {
        grid.setTextAt(0, p + 1, PressureHeaderText(veTable, p));
    }
    int cell = 0;
    for (int col = 1; col <= kLatticeSize; ++col) {
        for (int row = 1; row <= kLatticeSize; ++row) {
            grid.setTextAt(row, col, CellText(veTable, cell++));
        }
    }
}

void Form3D::UpdateSelectedCellText() {
    io_.grid.setTextAt(selectedRow + 1, selectedColumn + 1, CellText(veTable, selectedCell));
}

void Form3D::MarkSelectedCell() {
    Grid& grid = io_.grid;
    grid.setRow(selectedRow + 1);
    grid.setCol(selectedColumn + 1);
    grid.paintCurrentCell(kSelectedColour);
    highlightGridCol = static_cast<std::uint8_t>(grid.col());
    highlightGridRow = static_cast<std::uint8_t>(grid.row());
}

void Form3D::UnmarkLastCell() {
    Grid& grid = io_.grid;
    grid.setCol(highlightGridCol);
    grid.setRow(highlightGridRow);
    grid.paintCurrentCell(kCellColour);
}

namespace {

void PaintBlock(Grid& grid, int colLow, int colHigh, int rowLow, int rowHigh, Rgb colour) {
    for (int c = colLow; c <= colHigh; ++c) {
        for (int r = rowLow; r <= rowHigh; ++r) {
            grid.setRow(r + 1);
            grid.setCol(c + 1);
            grid.paintCurrentCell(colour);
        }
    }
}

} // namespace

void Form3D::HighlightBlock() {
    PaintBlock(io_.grid, blockColLow, blockColHigh, blockRowLow, blockRowHigh, kSelectedColour);
}

void Form3D::ClearBlock() {
    PaintBlock(io_.grid, blockColLow, blockColHigh, blockRowLow, blockRowHigh, kCellColour);
}
