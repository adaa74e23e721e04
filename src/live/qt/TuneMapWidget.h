// The Tuning window's map: the lattice on the device's breakpoints, as the grid lays it out, in
// the report's colours; the marks of cells with too few hits and of locked cells; the engine's
// cell outlined; a selection made by a click or a drag; each cell's figures under the pointer.
#pragma once

#include "live/qt/TuningThread.h"
#include "report/Report.h"

#include <QWidget>

#include <array>
#include <memory>
#include <optional>
#include <vector>

// The map's layout, in pixels.
inline constexpr int kTuneCellPx = 26;
inline constexpr int kTuneMapLeftPx = 64;
inline constexpr int kTuneMapTopPx = 36;
inline constexpr int kTuneLegendPx = 84;

class TuneMapWidget : public QWidget {
public:
    explicit TuneMapWidget(QWidget* parent = nullptr);

    // What to draw: the analysis as it stands, on `axes` when nothing was gathered yet.
    void show(std::shared_ptr<const TuneSnapshot> snapshot, const TuneOptions& options,
              const VeTable& axes, const std::array<bool, kCellCount>& locked);
    void setView(HeatMap view);
    // The cell the engine is in; nullopt when no live record streams.
    void setEngineCell(std::optional<int> cell);

    const std::vector<int>& selection() const { return selection_; }
    void clearSelection();
    // Where a cell's square is, and which cell a point is in.
    static QRect cellRect(int cell);
    static std::optional<int> cellAt(QPoint point);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void select(int from, int to);

    std::shared_ptr<const TuneSnapshot> snapshot_;
    TuneOptions options_;
    VeTable axes_{};
    std::array<bool, kCellCount> locked_{};
    HeatMap view_ = HeatMap::Change;
    std::optional<int> engine_;
    std::optional<int> anchor_; // where a drag began
    std::vector<int> selection_;
};
