// The Table window's map: each cell's difference from the compared table in percent, in the
// report's colours, laid out as the grid is (pressure across, RPM down) with axis titles; the
// block framed.
#pragma once

#include "edit/Block.h"
#include "table/VeTable.h"

#include <QWidget>

#include <optional>

inline constexpr int kCompareCellPx = 26;
inline constexpr int kCompareLeftPx = 64;
inline constexpr int kCompareTopPx = 36;
// Full colour at this many percent either way.
inline constexpr double kCompareFullPercent = 15;

class CompareMap : public QWidget {
public:
    explicit CompareMap(QWidget* parent = nullptr);

    // The held table against `compared`; nothing compared draws the held table's axes only.
    void show(const VeTable& held, const std::optional<VeTable>& compared, const Block& block);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    VeTable held_{};
    std::optional<VeTable> compared_;
    Block block_;
};
