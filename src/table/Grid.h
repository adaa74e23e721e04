// The grid control as the core uses it; rows and columns count from 0, sizes are in twips.
#pragma once

#include "common/Rgb.h"

#include <string>

// The grid's layout, in twips: the RPM header column is twice as wide as a cell column.
inline constexpr int kHeaderColumnTwips = 900;
inline constexpr int kCellColumnTwips = 450;
inline constexpr int kRowTwips = 180;

class Grid {
public:
    virtual ~Grid() = default;
    virtual void setColWidth(int col, int twips) = 0;
    virtual void setRowHeight(int row, int twips) = 0;
    // Background of every non-header cell that has no colour of its own.
    virtual void setCellBackground(Rgb colour) = 0;
    // Writes text without moving the current cell.
    virtual void setTextAt(int row, int col, const std::string& text) = 0;
    virtual void setRow(int row) = 0;
    virtual void setCol(int col) = 0;
    virtual int row() const = 0;
    virtual int col() const = 0;
    // Paints the current cell only; the colour stays until the cell is painted again.
    virtual void paintCurrentCell(Rgb colour) = 0;
};
