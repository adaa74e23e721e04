#include "view/qt/TimeGraphs.h"

#include "view/DerivedChannels.h"
#include "view/Envelope.h"

#include <qcustomplot.h>

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Where a click ends a pan rather than placing the cursor.
constexpr int kClickSlopPx = 4;
constexpr double kShortestSpanS = 0.05;
constexpr int kReadoutWidthPx = 240;
// Each envelope's buckets are this many times the last's; one is made while a bucket of it
// still holds fewer records than the log has.
constexpr std::size_t kDetailStep = 8;
// A line is drawn from an envelope while its buckets leave at least this many to a pixel.
constexpr double kBucketsPerPixel = 1;
// The first entry of every chooser: both air/fuel readings with the target.
constexpr const char* kAirFuelEntry = "Air/fuel with target";

const std::array<QColor, 4> kLineColours = {QColor(31, 119, 180), QColor(214, 39, 40),
                                            QColor(44, 160, 44), QColor(148, 103, 189)};

std::vector<std::string> Present(const ViewedLog& log, std::vector<std::string> names) {
    std::erase_if(names, [&log](const std::string& n) { return log.channel(n) == nullptr; });
    return names;
}

std::vector<std::string> AirFuel(const ViewedLog& log) {
    return Present(log, {"AFR1", "AFR2", kTargetChannel});
}

// A log whose time goes back somewhere has its points sorted by the plot: its searches by time
// assume the order.
QSharedPointer<QCPGraphDataContainer> EveryRecord(const ViewedLog& log,
                                                  const ViewedChannel& channel, bool sorted) {
    QSharedPointer<QCPGraphDataContainer> container(new QCPGraphDataContainer);
    QVector<QCPGraphData> data;
    data.reserve(static_cast<qsizetype>(log.records()));
    for (std::size_t k = 0; k < log.records(); ++k) {
        data.append({log.timeS[k], channel.values[k]});
    }
    container->set(data, sorted);
    return container;
}

} // namespace

std::array<std::vector<std::string>, kPanes> DefaultPanes(const ViewedLog& log) {
    return {Present(log, {"RPM"}), Present(log, {"MAP"}), AirFuel(log), Present(log, {"Temp"})};
}

TimeGraphs::TimeGraphs(QWidget* parent)
    : QWidget(parent), plot_(new QCustomPlot(this)), readout_(new QLabel(this)) {
    setFocusPolicy(Qt::StrongFocus);
    plot_->setFocusPolicy(Qt::NoFocus);
    plot_->plotLayout()->clear();
    plot_->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    plot_->setNotAntialiasedElements(QCP::aeAll);
    auto* group = new QCPMarginGroup(plot_);
    QSharedPointer<QCPAxisTickerTime> ticker(new QCPAxisTickerTime);
    ticker->setTimeFormat("%m:%s");
    auto* choosers = new QVBoxLayout;
    for (int p = 0; p < kPanes; ++p) {
        auto* rect = new QCPAxisRect(plot_);
        plot_->plotLayout()->addElement(p, 0, rect);
        rect->setRangeDrag(Qt::Horizontal);
        rect->setRangeZoom(Qt::Horizontal);
        rect->setMarginGroup(QCP::msLeft | QCP::msRight, group);
        QCPAxis* x = rect->axis(QCPAxis::atBottom);
        x->setTicker(ticker);
        connect(x, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
                [this](const QCPRange& range) { spread(range); });
        rects_[static_cast<std::size_t>(p)] = rect;
        auto* legend = new QCPLegend;
        rect->insetLayout()->addElement(legend, Qt::AlignTop | Qt::AlignRight);
        legend->setLayer("legend");
        legend->setVisible(false);
        legend->setBrush(QColor(255, 255, 255, 210));
        legends_[static_cast<std::size_t>(p)] = legend;
        auto* chooser = new QComboBox(this);
        chooser->setObjectName(QString("pane%1").arg(p + 1));
        connect(chooser, &QComboBox::activated, this, [this, p, chooser](int index) {
            if (!log_) {
                return;
            }
            setPane(p, index == 0
                           ? AirFuel(*log_)
                           : std::vector<std::string>{chooser->itemText(index).toStdString()});
        });
        choosers_[static_cast<std::size_t>(p)] = chooser;
        choosers->addWidget(chooser);
        choosers->addStretch();
    }
    readout_->setObjectName("readout");
    readout_->setFixedWidth(kReadoutWidthPx);
    readout_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    readout_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    readout_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(choosers);
    layout->addWidget(plot_, 1);
    layout->addWidget(readout_);
    // Once laid out, the panes' width is known: the detail follows it before anything is drawn.
    connect(plot_, &QCustomPlot::afterLayout, this, [this] { chooseDetail(); });
    connect(plot_, &QCustomPlot::mousePress, this, [this](QMouseEvent* event) {
        pressedAt_ = event->pos();
        setFocus();
    });
    connect(plot_, &QCustomPlot::mouseRelease, this, [this](QMouseEvent* event) {
        if (!log_ || (event->pos() - pressedAt_).manhattanLength() > kClickSlopPx) {
            return;
        }
        if (QCPAxisRect* rect = plot_->axisRectAt(event->pos())) {
            const double t = rect->axis(QCPAxis::atBottom)->pixelToCoord(event->pos().x());
            if (const auto record = RecordAt(log_->timeS, t)) {
                setCursorRecord(*record);
            }
        }
    });
}

void TimeGraphs::display(const ViewedLog* log) {
    log_ = log;
    cursor_.reset();
    marks_ = nullptr;
    lines_.clear();
    timeSorted_ = !log_ || std::is_sorted(log_->timeS.begin(), log_->timeS.end());
    plot_->clearGraphs();
    plot_->clearItems();
    const auto panes = log_ ? DefaultPanes(*log_) : std::array<std::vector<std::string>, kPanes>{};
    for (int p = 0; p < kPanes; ++p) {
        QComboBox* chooser = choosers_[static_cast<std::size_t>(p)];
        chooser->clear();
        chooser->addItem(kAirFuelEntry);
        for (const ViewedChannel& c : log_ ? log_->channels : std::vector<ViewedChannel>{}) {
            chooser->addItem(QString::fromStdString(c.name));
        }
        const auto& channels = panes[static_cast<std::size_t>(p)];
        chooser->setCurrentIndex(
            channels.size() == 1 ? chooser->findText(QString::fromStdString(channels[0])) : 0);
        panes_[static_cast<std::size_t>(p)] = channels;
        rebuildPane(p);
    }
    for (int p = 0; p < kPanes; ++p) {
        auto* line = new QCPItemStraightLine(plot_);
        QCPAxisRect* rect = rects_[static_cast<std::size_t>(p)];
        line->setClipAxisRect(rect);
        line->point1->setAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
        line->point2->setAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
        line->setPen(QPen(Qt::black, 1, Qt::DashLine));
        line->setVisible(false);
        cursorLines_[static_cast<std::size_t>(p)] = line;
    }
    drawMarkers();
    fitAll();
    if (log_ && log_->records() > 0) {
        setCursorRecord(0);
    } else {
        readout_->clear();
    }
}

void TimeGraphs::setPane(int pane, const std::vector<std::string>& channels) {
    panes_[static_cast<std::size_t>(pane)] = channels;
    rebuildPane(pane);
    plot_->replot();
}

void TimeGraphs::rebuildPane(int pane) {
    QCPAxisRect* rect = rects_[static_cast<std::size_t>(pane)];
    for (QCPGraph* graph : rect->graphs()) {
        if (graph == marks_) {
            marks_ = nullptr;
        }
        std::erase_if(lines_, [graph](const Line& line) { return line.graph == graph; });
        plot_->removeGraph(graph);
    }
    if (!log_) {
        return;
    }
    QStringList names;
    QString units;
    int colour = 0;
    for (const std::string& name : panes_[static_cast<std::size_t>(pane)]) {
        const ViewedChannel* channel = log_->channel(name);
        if (!channel) {
            continue;
        }
        QCPGraph* graph =
            plot_->addGraph(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
        graph->setName(QString::fromStdString(name));
        graph->setPen(QPen(kLineColours[static_cast<std::size_t>(colour++) % kLineColours.size()]));
        if (name == kTargetChannel) {
            graph->setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
        }
        Line line{graph, channel, {}, 0};
        // Every record is put in the graph only when a view is narrow enough to need it.
        line.levels.emplace_back();
        for (std::size_t bucket = kDetailStep; bucket < log_->records(); bucket *= kDetailStep) {
            QVector<QCPGraphData> data;
            for (const EnvelopePoint& point : Envelope(log_->timeS, channel->values, bucket)) {
                data.append({point.timeS, point.value});
            }
            QSharedPointer<QCPGraphDataContainer> container(new QCPGraphDataContainer);
            container->set(data, timeSorted_);
            line.levels.push_back(container);
        }
        if (line.levels.size() == 1) {
            line.levels[0] = EveryRecord(*log_, *channel, timeSorted_);
        }
        graph->setData(line.levels.back());
        line.shown = line.levels.size() - 1;
        lines_.push_back(std::move(line));
        names << QString::fromStdString(name);
        units = QString::fromStdString(channel->units);
    }
    // One channel names the axis; several share it by their units and a legend names each.
    const QString unitsText = units.isEmpty() ? "" : " (" + units + ")";
    rect->axis(QCPAxis::atLeft)
        ->setLabel(names.size() == 1 ? names[0] + unitsText : unitsText.trimmed());
    QCPLegend* legend = legends_[static_cast<std::size_t>(pane)];
    legend->clearItems();
    legend->setVisible(names.size() > 1);
    for (QCPGraph* graph : rect->graphs()) {
        graph->addToLegend(legend);
    }
    bool first = true;
    for (QCPGraph* graph : rect->graphs()) {
        graph->rescaleValueAxis(!first);
        first = false;
    }
    chooseDetail();
}

void TimeGraphs::chooseDetail() {
    if (!log_ || log_->records() == 0) {
        return;
    }
    const auto [from, to] = span();
    const double records = static_cast<double>(RecordAt(log_->timeS, to).value_or(0) -
                                               RecordAt(log_->timeS, from).value_or(0) + 1);
    const double pixels = std::max(1, rects_[0]->width());
    for (Line& line : lines_) {
        std::size_t level = 0;
        double bucket = 1;
        while (level + 1 < line.levels.size() &&
               records / (bucket * kDetailStep) >= pixels * kBucketsPerPixel) {
            bucket *= kDetailStep;
            ++level;
        }
        if (level == 0 && !line.levels[0]) {
            line.levels[0] = EveryRecord(*log_, *line.channel, timeSorted_);
        }
        if (level != line.shown) {
            line.graph->setData(line.levels[level]);
            line.shown = level;
        }
    }
}

void TimeGraphs::drawMarkers() {
    if (!log_) {
        return;
    }
    for (const LogMarker& marker : log_->markers) {
        for (int p = 0; p < kPanes; ++p) {
            QCPAxisRect* rect = rects_[static_cast<std::size_t>(p)];
            auto* line = new QCPItemStraightLine(plot_);
            line->setClipAxisRect(rect);
            line->point1->setAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
            line->point2->setAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
            line->point1->setCoords(marker.timeS, 0);
            line->point2->setCoords(marker.timeS, 1);
            line->setPen(QPen(QColor(230, 120, 0), 1));
            if (p == 0) {
                auto* label = new QCPItemText(plot_);
                label->setClipAxisRect(rect);
                label->position->setAxes(rect->axis(QCPAxis::atBottom),
                                         rect->axis(QCPAxis::atLeft));
                label->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
                label->position->setAxisRect(rect);
                label->position->setCoords(marker.timeS, 0);
                label->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
                label->setText(QString::fromStdString(marker.text));
                label->setColor(QColor(230, 120, 0));
            }
        }
    }
}

void TimeGraphs::spread(const QCPRange& range) {
    if (spreading_) {
        return;
    }
    spreading_ = true;
    QCPRange shown = range;
    if (shown.size() < kShortestSpanS) {
        shown = QCPRange(shown.center() - kShortestSpanS / 2, shown.center() + kShortestSpanS / 2);
    }
    for (QCPAxisRect* rect : rects_) {
        rect->axis(QCPAxis::atBottom)->setRange(shown);
    }
    spreading_ = false;
    chooseDetail();
    emit spanChanged(shown.lower, shown.upper);
}

std::pair<double, double> TimeGraphs::span() const {
    const QCPRange range = rects_[0]->axis(QCPAxis::atBottom)->range();
    return {range.lower, range.upper};
}

void TimeGraphs::fitAll() {
    if (!log_ || log_->records() == 0) {
        plot_->replot();
        return;
    }
    const double first = log_->timeS.front();
    const double last = std::max(log_->timeS.back(), first + kShortestSpanS);
    rects_[0]->axis(QCPAxis::atBottom)->setRange(first, last);
    plot_->replot();
}

void TimeGraphs::zoom(double factor) {
    const auto [from, to] = span();
    const double about = cursor_ && log_ ? log_->timeS[*cursor_] : (from + to) / 2;
    rects_[0]
        ->axis(QCPAxis::atBottom)
        ->setRange(about - (about - from) * factor, about + (to - about) * factor);
    plot_->replot();
}

void TimeGraphs::setCursorRecord(std::size_t record) {
    if (!log_ || record >= log_->records()) {
        return;
    }
    cursor_ = record;
    moveCursorLines();
    readout_->setText(readout());
    plot_->replot();
}

void TimeGraphs::stepCursor(int records) {
    if (!log_ || log_->records() == 0) {
        return;
    }
    const auto at = static_cast<long long>(cursor_.value_or(0)) + records;
    setCursorRecord(
        static_cast<std::size_t>(std::clamp(at, 0LL, static_cast<long long>(log_->records()) - 1)));
    // Keep the cursor on screen.
    const double t = log_->timeS[*cursor_];
    const auto [from, to] = span();
    if (t < from || t > to) {
        rects_[0]->axis(QCPAxis::atBottom)->setRange(t - (to - from) / 2, t + (to - from) / 2);
        plot_->replot();
    }
}

void TimeGraphs::moveCursorLines() {
    const double t = log_->timeS[*cursor_];
    for (QCPItemStraightLine* line : cursorLines_) {
        line->point1->setCoords(t, 0);
        line->point2->setCoords(t, 1);
        line->setVisible(true);
    }
}

QString TimeGraphs::readout() const {
    if (!log_ || !cursor_) {
        return {};
    }
    const std::size_t k = *cursor_;
    QString text = QString("Time  %1\nRecord %2\n\n")
                       .arg(QString::fromStdString(ClockText(log_->timeS[k])))
                       .arg(k + 1);
    for (const ViewedChannel& c : log_->channels) {
        text += QString("%1 %2 %3\n")
                    .arg(QString::fromStdString(c.name), -13)
                    .arg(QString::fromStdString(ValueText(c, c.values[k])), 9)
                    .arg(QString::fromStdString(c.units));
    }
    return text;
}

void TimeGraphs::markRecords(const std::vector<std::size_t>& records) {
    if (marks_) {
        plot_->removeGraph(marks_);
        marks_ = nullptr;
    }
    if (log_ && !records.empty() && !rects_[0]->graphs().isEmpty()) {
        const ViewedChannel* channel =
            log_->channel(rects_[0]->graphs().front()->name().toStdString());
        marks_ =
            plot_->addGraph(rects_[0]->axis(QCPAxis::atBottom), rects_[0]->axis(QCPAxis::atLeft));
        marks_->setName("marked");
        marks_->setLineStyle(QCPGraph::lsNone);
        marks_->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, QColor(230, 120, 0), 4));
        QVector<double> keys, values;
        for (const std::size_t k : records) {
            keys << log_->timeS[k];
            values << (channel ? channel->values[k] : 0);
        }
        marks_->setData(keys, values, timeSorted_);
    }
    plot_->replot();
}

void TimeGraphs::keyPressEvent(QKeyEvent* event) {
    const int step = event->modifiers() & Qt::ShiftModifier ? 10 : 1;
    switch (event->key()) {
    case Qt::Key_Left:
        stepCursor(-step);
        return;
    case Qt::Key_Right:
        stepCursor(step);
        return;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoom(0.5);
        return;
    case Qt::Key_Minus:
        zoom(2);
        return;
    case Qt::Key_Home:
        fitAll();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}
