#include "view/qt/HitsMap.h"

#include "common/Numbers.h"
#include "model/Lattice.h"
#include "report/Report.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// The trace is drawn through at most this many points of the span: more would not show.
constexpr std::size_t kMostTracePoints = 4000;

double PlaceOn(const std::array<double, kLatticeSize>& breakpoints, double x) {
    const AxisSpan span = SpanOf(breakpoints, x);
    return span.low + (span.high - span.low) * span.fraction;
}

} // namespace

HitsGrid::HitsGrid(QWidget* parent) : QWidget(parent) {
    setMinimumSize(kHitsLeftPx + kLatticeSize * kHitsCellPx + 8,
                   kHitsTopPx + kLatticeSize * kHitsCellPx + 8);
}

QRect HitsGrid::cellRect(int cell) {
    return {kHitsLeftPx + PressureIndexOf(cell) * kHitsCellPx,
            kHitsTopPx + RpmIndexOf(cell) * kHitsCellPx, kHitsCellPx, kHitsCellPx};
}

void HitsGrid::display(const ViewedLog* log, const std::optional<CellHits>& hits, int minHits) {
    log_ = log;
    hits_ = hits;
    minHits_ = minHits;
    update();
}

void HitsGrid::setTrace(std::size_t from, std::size_t to) {
    trace_.clear();
    const ViewedChannel* rpm = log_ ? log_->channel("RPM") : nullptr;
    const ViewedChannel* map = log_ ? log_->channel("MAP") : nullptr;
    if (rpm && map && log_->kept && from < to && to <= log_->records()) {
        const Lattice lattice = LatticeOf(log_->kept->table.table);
        const std::size_t step = std::max<std::size_t>(1, (to - from) / kMostTracePoints);
        for (std::size_t k = from; k < to; k += step) {
            trace_.emplace_back(PlaceOn(lattice.pressurePsi, map->values[k]),
                                PlaceOn(lattice.rpmHundreds, rpm->values[k] / 100.0));
        }
    }
    update();
}

void HitsGrid::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    double most = 0;
    if (hits_) {
        most = *std::max_element(hits_->begin(), hits_->end());
    }
    const VeTable* table = log_ && log_->kept ? &log_->kept->table.table : nullptr;
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.75);
    painter.setFont(small);
    for (int i = 0; i < kLatticeSize; ++i) {
        if (!table) {
            break;
        }
        const QRect across = cellRect(CellIndex(i, 0)).translated(0, -kHitsCellPx);
        painter.drawText(across, Qt::AlignCenter,
                         QString::fromStdString(PressureHeaderText(*table, i)));
        const QRect down(0, cellRect(CellIndex(0, i)).top(), kHitsLeftPx - 4, kHitsCellPx);
        painter.drawText(down, Qt::AlignRight | Qt::AlignVCenter,
                         QString::fromStdString(RpmHeaderText(*table, i)));
    }
    for (int cell = 0; cell < kCellCount; ++cell) {
        const QRect square = cellRect(cell);
        const double hits = hits_ ? (*hits_)[static_cast<std::size_t>(cell)] : 0;
        const Rgb rgb = ScaleColour(most > 0 ? hits / most : 0);
        painter.fillRect(square, QColor(rgb.r, rgb.g, rgb.b));
        if (hits_ && hits < minHits_) {
            painter.fillRect(square, QBrush(QColor(150, 150, 150), Qt::BDiagPattern));
        }
        painter.setPen(QColor(220, 220, 220));
        painter.drawRect(square);
        if (hits >= 1) {
            painter.setPen(most > 0 && hits / most > 0.55 ? Qt::white : Qt::black);
            painter.drawText(square, Qt::AlignCenter, QString::number(std::lround(hits)));
        }
    }
    if (trace_.size() > 1) {
        QPolygonF line;
        for (const QPointF& place : trace_) {
            line << QPointF(kHitsLeftPx + (place.x() + 0.5) * kHitsCellPx,
                            kHitsTopPx + (place.y() + 0.5) * kHitsCellPx);
        }
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(230, 120, 0, 140), 1));
        painter.drawPolyline(line);
    }
    if (selected_) {
        painter.setPen(QPen(Qt::black, 2));
        painter.drawRect(cellRect(*selected_).adjusted(1, 1, -1, -1));
    }
}

void HitsGrid::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->pos();
    const int p = (at.x() - kHitsLeftPx) / kHitsCellPx;
    const int r = (at.y() - kHitsTopPx) / kHitsCellPx;
    if (at.x() < kHitsLeftPx || at.y() < kHitsTopPx || p >= kLatticeSize || r >= kLatticeSize) {
        return;
    }
    selected_ = CellIndex(p, r);
    update();
    emit cellSelected(*selected_);
}

HitsMap::HitsMap(QWidget* parent)
    : QWidget(parent), warm_(new QCheckBox("Warm only", this)),
      steady_(new QCheckBox("Steady only", this)), noFuelCut_(new QCheckBox("No fuel cut", this)),
      minHits_(new QSpinBox(this)), note_(new QLabel(this)), grid_(new HitsGrid(this)) {
    warm_->setObjectName("warm");
    steady_->setObjectName("steady");
    noFuelCut_->setObjectName("noFuelCut");
    minHits_->setObjectName("minHits");
    minHits_->setRange(0, 100000);
    note_->setObjectName("hitsNote");
    setFilters(HitFilters{});
    auto* switches = new QHBoxLayout;
    for (QCheckBox* box : {warm_, steady_, noFuelCut_}) {
        switches->addWidget(box);
        connect(box, &QCheckBox::toggled, this, [this] { recount(); });
    }
    switches->addWidget(new QLabel("Minimum hits", this));
    switches->addWidget(minHits_);
    connect(minHits_, &QSpinBox::valueChanged, this,
            [this] { grid_->display(log_, hits_, minHits_->value()); });
    switches->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(switches);
    layout->addWidget(note_);
    layout->addWidget(grid_, 1);
    connect(grid_, &HitsGrid::cellSelected, this, [this](int cell) {
        std::vector<std::size_t> records;
        const ViewedChannel* p = log_ ? log_->channel("PressureIndex") : nullptr;
        const ViewedChannel* r = log_ ? log_->channel("RpmIndex") : nullptr;
        for (std::size_t k = 0; p && r && k < log_->records(); ++k) {
            if (static_cast<int>(p->values[k]) == PressureIndexOf(cell) &&
                static_cast<int>(r->values[k]) == RpmIndexOf(cell)) {
                records.push_back(k);
            }
        }
        note_->setText(
            QString("P %1, R %2: %3 records placed in the cell by the logger; %4 hits")
                .arg(PressureIndexOf(cell))
                .arg(RpmIndexOf(cell))
                .arg(QString::fromStdString(Thousands(static_cast<std::int64_t>(records.size()))))
                .arg(hits_ ? (*hits_)[static_cast<std::size_t>(cell)] : 0, 0, 'f', 1));
        emit recordsSelected(records);
    });
}

HitFilters HitsMap::filters() const {
    return {warm_->isChecked(), steady_->isChecked(), noFuelCut_->isChecked(), minHits_->value()};
}

void HitsMap::setFilters(const HitFilters& filters) {
    const QSignalBlocker blocks[] = {QSignalBlocker(warm_), QSignalBlocker(steady_),
                                     QSignalBlocker(noFuelCut_), QSignalBlocker(minHits_)};
    warm_->setChecked(filters.warm);
    steady_->setChecked(filters.steady);
    noFuelCut_->setChecked(filters.noFuelCut);
    minHits_->setValue(filters.minHits);
    recount();
}

void HitsMap::display(const ViewedLog* log) {
    log_ = log;
    recount();
}

void HitsMap::recount() {
    hits_.reset();
    if (!log_) {
        note_->clear();
    } else if (!log_->kept) {
        note_->setText("No table was kept beside " + QString::fromStdString(log_->path) +
                       ": the hits need the table the drive ran on");
    } else {
        auto counted = DriveHits(log_->path, *log_->kept, filters());
        if (auto* hits = std::get_if<CellHits>(&counted)) {
            hits_ = *hits;
            note_->setText("Hits as the analysis counts them: each record shared among the four "
                           "cells around its point");
        } else {
            note_->setText(QString::fromStdString(std::get<std::string>(counted)));
        }
    }
    grid_->display(log_, hits_, minHits_->value());
}
