// The records each cell of the table received, in the report's colours, with the analysis's
// filters as switches; cells below the minimum of hits hatched; the trace of the operating point
// over the span on screen; a click selects a cell.
#pragma once

#include "view/DriveHits.h"
#include "view/ViewedLog.h"

#include <QWidget>

#include <optional>
#include <vector>

class QCheckBox;
class QLabel;
class QSpinBox;

// The map's layout, in pixels: pressure across, RPM down, as the grid lays out the table.
inline constexpr int kHitsCellPx = 30;
inline constexpr int kHitsLeftPx = 56;
inline constexpr int kHitsTopPx = 28;

class HitsGrid : public QWidget {
    Q_OBJECT
public:
    explicit HitsGrid(QWidget* parent = nullptr);

    void display(const ViewedLog* log, const std::optional<CellHits>& hits, int minHits);
    // The operating point from record `from` to `to`, drawn over the cells.
    void setTrace(std::size_t from, std::size_t to);
    std::optional<int> selected() const { return selected_; }
    const std::vector<QPointF>& trace() const { return trace_; }
    static QRect cellRect(int cell);

signals:
    void cellSelected(int cell);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    const ViewedLog* log_ = nullptr;
    std::optional<CellHits> hits_;
    int minHits_ = 0;
    std::optional<int> selected_;
    std::vector<QPointF> trace_; // in cells, fractional: x the pressure index, y the RPM's
};

class HitsMap : public QWidget {
    Q_OBJECT
public:
    explicit HitsMap(QWidget* parent = nullptr);

    void display(const ViewedLog* log);
    HitFilters filters() const;
    void setFilters(const HitFilters& filters);
    const std::optional<CellHits>& hits() const { return hits_; }
    HitsGrid* grid() const { return grid_; }

signals:
    // The records the logger placed in the cell selected.
    void recordsSelected(const std::vector<std::size_t>& records);

private:
    void recount();

    const ViewedLog* log_ = nullptr;
    std::optional<CellHits> hits_;
    QCheckBox* warm_;
    QCheckBox* steady_;
    QCheckBox* noFuelCut_;
    QSpinBox* minHits_;
    QLabel* note_;
    HitsGrid* grid_;
};
