#include "edit/qt/CompareMap.h"

#include "report/Report.h"
#include "table/CellChange.h"

#include <QPainter>

#include <cmath>

namespace {

constexpr int kSidePx = kLatticeSize * kCompareCellPx;

QRect CellRect(int p, int r) {
    return {kCompareLeftPx + p * kCompareCellPx, kCompareTopPx + r * kCompareCellPx, kCompareCellPx,
            kCompareCellPx};
}

} // namespace

CompareMap::CompareMap(QWidget* parent) : QWidget(parent) {
    setObjectName("compareMap");
    setFixedSize(kCompareLeftPx + kSidePx + 4, kCompareTopPx + kSidePx + 4);
}

void CompareMap::show(const VeTable& held, const std::optional<VeTable>& compared,
                      const Block& block) {
    if (held == held_ && compared == compared_ && block == block_) {
        return;
    }
    held_ = held;
    compared_ = compared;
    block_ = block;
    update();
}

void CompareMap::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    QFont small = font();
    small.setPointSizeF(7);
    painter.setFont(small);
    painter.setPen(palette().windowText().color());
    painter.drawText(QRect(kCompareLeftPx, 0, kSidePx, 14), Qt::AlignCenter,
                     "Manifold pressure, PSI");
    painter.save();
    painter.translate(10, kCompareTopPx + kSidePx / 2);
    painter.rotate(-90);
    painter.drawText(QRect(-kSidePx / 2, -8, kSidePx, 16), Qt::AlignCenter, "RPM");
    painter.restore();
    for (int i = 0; i < kLatticeSize; ++i) {
        painter.drawText(
            QRect(kCompareLeftPx + i * kCompareCellPx, 14, kCompareCellPx, kCompareTopPx - 14),
            Qt::AlignCenter, QString::fromStdString(PressureHeaderText(held_, i)));
        painter.drawText(
            QRect(20, kCompareTopPx + i * kCompareCellPx, kCompareLeftPx - 24, kCompareCellPx),
            Qt::AlignRight | Qt::AlignVCenter, QString::fromStdString(RpmHeaderText(held_, i)));
    }
    if (!compared_) {
        painter.fillRect(kCompareLeftPx, kCompareTopPx, kSidePx, kSidePx, QColor(230, 230, 230));
        painter.drawText(QRect(kCompareLeftPx, kCompareTopPx, kSidePx, kSidePx), Qt::AlignCenter,
                         "Compare with a table file or a restore point");
        return;
    }
    for (int p = 0; p < kLatticeSize; ++p) {
        for (int r = 0; r < kLatticeSize; ++r) {
            const int cell = CellIndex(p, r);
            // How far the held table is from the compared one: what Restore would undo.
            const double percent = ChangePercent((*compared_)[cell], held_[cell]);
            const Rgb c = ChangeColour(percent, kCompareFullPercent);
            painter.fillRect(CellRect(p, r), QColor(c.r, c.g, c.b));
            painter.setPen(QColor(200, 200, 200));
            painter.drawRect(CellRect(p, r));
            if (held_[cell] != (*compared_)[cell]) {
                painter.setPen(Qt::black);
                painter.drawText(CellRect(p, r), Qt::AlignCenter,
                                 QString::number(std::lround(percent)));
            }
        }
    }
    painter.setPen(QPen(Qt::black, 2));
    const QRect first = CellRect(block_.p0, block_.r0);
    const QRect last = CellRect(block_.p1, block_.r1);
    painter.drawRect(first.united(last));
}
