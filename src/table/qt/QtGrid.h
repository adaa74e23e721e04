// The table grid over a QTableWidget: 21 x 21 cells, row 0 and column 0 as headers.
#pragma once

#include "common/Twips.h"
#include "table/Grid.h"

#include <QColor>

#include <array>
#include <optional>

class QTableWidget;
class QWidget;

class QtGrid : public Grid {
public:
    static constexpr int kLines = 21;

    explicit QtGrid(QWidget* parent);

    void setColWidth(int col, int twips) override;
    void setRowHeight(int row, int twips) override;
    void setCellBackground(Rgb colour) override;
    void setTextAt(int row, int col, const std::string& text) override;
    void setRow(int row) override;
    void setCol(int col) override;
    int row() const override;
    int col() const override;
    void paintCurrentCell(Rgb colour) override;

    QTableWidget* widget() const { return table_; }
    // What a cell shows as its background now.
    QColor background(int row, int col) const;

private:
    void showBackground(int row, int col);

    QTableWidget* table_;
    QColor cellBackground_{0, 0, 64};
    // Colours painted onto single cells; they outlive later changes of the overall background.
    std::array<std::array<std::optional<QColor>, kLines>, kLines> painted_{};
};
