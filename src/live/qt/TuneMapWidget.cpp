#include "live/qt/TuneMapWidget.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace {

QColor QtColour(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

constexpr int kSidePx = kLatticeSize * kTuneCellPx;
// The axis titles take this much above the pressure labels and left of the RPM labels.
constexpr int kAxisTitlePx = 14;
const QColor kEngineOutline(255, 0, 255);
const QColor kSelectionOutline(0, 90, 255);
const QColor kLockFrame(40, 40, 40);

} // namespace

TuneMapWidget::TuneMapWidget(QWidget* parent) : QWidget(parent) {
    setObjectName("tuneMap");
    setFixedSize(kTuneMapLeftPx + kSidePx + kTuneLegendPx, kTuneMapTopPx + kSidePx + 4);
    setMouseTracking(false);
}

void TuneMapWidget::show(std::shared_ptr<const TuneSnapshot> snapshot, const TuneOptions& options,
                         const VeTable& axes, const std::array<bool, kCellCount>& locked) {
    snapshot_ = std::move(snapshot);
    options_ = options;
    axes_ = axes;
    locked_ = locked;
    update();
}

void TuneMapWidget::setView(HeatMap view) {
    view_ = view;
    update();
}

void TuneMapWidget::setEngineCell(std::optional<int> cell) {
    if (cell != engine_) {
        engine_ = cell;
        update();
    }
}

void TuneMapWidget::clearSelection() {
    selection_.clear();
    update();
}

QRect TuneMapWidget::cellRect(int cell) {
    return {kTuneMapLeftPx + PressureIndexOf(cell) * kTuneCellPx,
            kTuneMapTopPx + RpmIndexOf(cell) * kTuneCellPx, kTuneCellPx, kTuneCellPx};
}

std::optional<int> TuneMapWidget::cellAt(QPoint point) {
    const int p = (point.x() - kTuneMapLeftPx) / kTuneCellPx;
    const int r = (point.y() - kTuneMapTopPx) / kTuneCellPx;
    if (point.x() < kTuneMapLeftPx || point.y() < kTuneMapTopPx || p >= kLatticeSize ||
        r >= kLatticeSize) {
        return std::nullopt;
    }
    return CellIndex(p, r);
}

void TuneMapWidget::select(int from, int to) {
    selection_.clear();
    const int p1 = std::min(PressureIndexOf(from), PressureIndexOf(to));
    const int p2 = std::max(PressureIndexOf(from), PressureIndexOf(to));
    const int r1 = std::min(RpmIndexOf(from), RpmIndexOf(to));
    const int r2 = std::max(RpmIndexOf(from), RpmIndexOf(to));
    for (int p = p1; p <= p2; ++p) {
        for (int r = r1; r <= r2; ++r) {
            selection_.push_back(CellIndex(p, r));
        }
    }
    std::sort(selection_.begin(), selection_.end());
    update();
}

void TuneMapWidget::mousePressEvent(QMouseEvent* event) {
    anchor_ = cellAt(event->position().toPoint());
    if (anchor_) {
        select(*anchor_, *anchor_);
    } else {
        clearSelection();
    }
}

void TuneMapWidget::mouseMoveEvent(QMouseEvent* event) {
    if (const auto at = cellAt(event->position().toPoint()); anchor_ && at) {
        select(*anchor_, *at);
    }
}

bool TuneMapWidget::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const auto cell = cellAt(help->pos());
        if (cell && snapshot_ && snapshot_->started) {
            QToolTip::showText(
                help->globalPos(),
                QString::fromStdString(CellFiguresText(snapshot_->table, snapshot_->suggestion,
                                                       snapshot_->analysis, *cell)),
                this, cellRect(*cell));
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QWidget::event(event);
}

void TuneMapWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    QFont small = font();
    small.setPointSizeF(7);
    painter.setFont(small);
    const bool started = snapshot_ && snapshot_->started;
    const VeTable& axes = started ? snapshot_->table : axes_;
    // The axes as the grid writes them: pressure across the top, RPM down the left, titled.
    painter.setPen(palette().windowText().color());
    painter.drawText(QRect(kTuneMapLeftPx, 0, kSidePx, kAxisTitlePx), Qt::AlignCenter,
                     "Manifold pressure, PSI");
    painter.save();
    painter.translate(kAxisTitlePx / 2, kTuneMapTopPx + kSidePx / 2);
    painter.rotate(-90);
    painter.drawText(QRect(-kSidePx / 2, -kAxisTitlePx / 2, kSidePx, kAxisTitlePx), Qt::AlignCenter,
                     "RPM");
    painter.restore();
    for (int i = 0; i < kLatticeSize; ++i) {
        painter.drawText(QRect(kTuneMapLeftPx + i * kTuneCellPx, kAxisTitlePx, kTuneCellPx,
                               kTuneMapTopPx - kAxisTitlePx),
                         Qt::AlignCenter, QString::fromStdString(PressureHeaderText(axes, i)));
        painter.drawText(QRect(kAxisTitlePx, kTuneMapTopPx + i * kTuneCellPx,
                               kTuneMapLeftPx - kAxisTitlePx - 4, kTuneCellPx),
                         Qt::AlignRight | Qt::AlignVCenter,
                         QString::fromStdString(RpmHeaderText(axes, i)));
    }
    if (!started) {
        painter.fillRect(kTuneMapLeftPx, kTuneMapTopPx, kSidePx, kSidePx, QColor(230, 230, 230));
        painter.drawText(QRect(kTuneMapLeftPx, kTuneMapTopPx, kSidePx, kSidePx), Qt::AlignCenter,
                         "Nothing gathered yet: switch Tune on and drive");
        return;
    }
    const TuneSnapshot& s = *snapshot_;
    const ReportInput in{s.table, s.suggestion, s.analysis, options_, s.lag, {}, {}, {}, {}};
    const std::vector<HeatMapSpec> specs = HeatMapSpecs(in);
    const HeatMapSpec& spec = specs[static_cast<std::size_t>(view_)];
    for (int cell = 0; cell < kCellCount; ++cell) {
        const QRect square = cellRect(cell);
        const QColor fill = QtColour(spec.colour(cell));
        painter.fillRect(square, fill);
        if (s.suggestion.outcome[cell] == Outcome::FewHits) {
            painter.fillRect(square, QBrush(QtColour(kFewHitsHatch), Qt::BDiagPattern));
        }
        if (locked_[cell]) {
            painter.setPen(QPen(kLockFrame, 2));
            painter.drawRect(square.adjusted(2, 2, -2, -2));
        }
        painter.setPen(fill.lightnessF() < 0.5 ? Qt::white : Qt::black);
        painter.drawText(square, Qt::AlignCenter, QString::fromStdString(spec.text(cell)));
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kSelectionOutline, 2));
    for (const int cell : selection_) {
        painter.drawRect(cellRect(cell).adjusted(1, 1, -1, -1));
    }
    if (engine_) {
        painter.setPen(QPen(kEngineOutline, 3));
        painter.drawRect(cellRect(*engine_));
    }
    // The legend: the scale from low (bottom) to high (top).
    const int x = kTuneMapLeftPx + kSidePx + 10;
    for (int y = 0; y < kSidePx; ++y) {
        const double share = 1 - static_cast<double>(y) / (kSidePx - 1);
        const double limit = options_.maxChangePercent;
        const Rgb c =
            spec.diverging ? ChangeColour((share - 0.5) * 2 * limit, limit) : ScaleColour(share);
        painter.fillRect(x, kTuneMapTopPx + y, 14, 1, QtColour(c));
    }
    painter.setPen(palette().windowText().color());
    painter.drawText(QRect(x + 18, kTuneMapTopPx, kTuneLegendPx - 28, 14), Qt::AlignLeft,
                     QString::fromStdString(spec.high));
    painter.drawText(QRect(x + 18, kTuneMapTopPx + kSidePx - 14, kTuneLegendPx - 28, 14),
                     Qt::AlignLeft, QString::fromStdString(spec.low));
}
