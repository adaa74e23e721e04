#include "view/qt/ScatterPlot.h"

#include "model/Lattice.h"
#include "report/Report.h"
#include "view/DerivedChannels.h"

#include <qcustomplot.h>

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// Points are drawn in this many colours, each a graph: one per point would not draw fast.
constexpr int kColourSteps = 11;
// The air/fuel error's scale, in percent, full colour at either end.
constexpr double kErrorScale = 10;

QComboBox* Chooser(const char* name, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    return box;
}

} // namespace

QColor ScatterColour(double value, double low, double high) {
    const double mid = (low + high) / 2;
    const double half = (high - low) / 2;
    const Rgb rgb = ChangeColour(half > 0 ? (value - mid) / half * 100 : 0, 100);
    return QColor(rgb.r, rgb.g, rgb.b);
}

ScatterPlot::ScatterPlot(QWidget* parent)
    : QWidget(parent), x_(Chooser("scatterX", this)), y_(Chooser("scatterY", this)),
      colour_(Chooser("scatterColour", this)), plot_(new QCustomPlot(this)) {
    plot_->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    plot_->setNotAntialiasedElements(QCP::aeAll);
    auto* choosers = new QHBoxLayout;
    for (auto [label, box] :
         {std::pair{"X", x_}, std::pair{"Y", y_}, std::pair{"Colour", colour_}}) {
        choosers->addWidget(new QLabel(label, this));
        choosers->addWidget(box);
        connect(box, &QComboBox::activated, this, [this] { redraw(); });
    }
    choosers->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choosers);
    layout->addWidget(plot_, 1);
}

void ScatterPlot::display(const ViewedLog* log) {
    log_ = log;
    for (QComboBox* box : {x_, y_, colour_}) {
        box->clear();
        for (const ViewedChannel& c : log_ ? log_->channels : std::vector<ViewedChannel>{}) {
            box->addItem(QString::fromStdString(c.name));
        }
    }
    colour_->insertItem(0, "(none)");
    choose("RPM", "MAP", log_ && log_->channel(kErrorChannel) ? kErrorChannel : "(none)");
}

void ScatterPlot::choose(const std::string& x, const std::string& y, const std::string& colour) {
    x_->setCurrentIndex(std::max(0, x_->findText(QString::fromStdString(x))));
    y_->setCurrentIndex(std::max(0, y_->findText(QString::fromStdString(y))));
    colour_->setCurrentIndex(std::max(0, colour_->findText(QString::fromStdString(colour))));
    redraw();
}

void ScatterPlot::redraw() {
    plot_->clearGraphs();
    plot_->clearItems();
    const ViewedChannel* x = log_ ? log_->channel(x_->currentText().toStdString()) : nullptr;
    const ViewedChannel* y = log_ ? log_->channel(y_->currentText().toStdString()) : nullptr;
    if (!x || !y) {
        plot_->replot();
        return;
    }
    const ViewedChannel* colour = log_->channel(colour_->currentText().toStdString());
    const bool error = colour && colour->name == kErrorChannel;
    double low = -kErrorScale;
    double high = kErrorScale;
    if (colour && !error && !colour->values.empty()) {
        const auto [min, max] = std::minmax_element(colour->values.begin(), colour->values.end());
        low = *min;
        high = *max;
    }
    std::array<QVector<double>, kColourSteps> xs, ys;
    for (std::size_t k = 0; k < log_->records(); ++k) {
        int step = kColourSteps / 2;
        if (colour && high > low) {
            const double share = std::clamp((colour->values[k] - low) / (high - low), 0.0, 1.0);
            step = static_cast<int>(std::lround(share * (kColourSteps - 1)));
        }
        xs[static_cast<std::size_t>(step)] << x->values[k];
        ys[static_cast<std::size_t>(step)] << y->values[k];
    }
    for (int step = 0; step < kColourSteps; ++step) {
        QCPGraph* graph = plot_->addGraph();
        graph->setLineStyle(QCPGraph::lsNone);
        const double value = low + (high - low) * step / (kColourSteps - 1);
        const QColor shade =
            colour ? ScatterColour(value, low, high).darker(115) : QColor(31, 119, 180);
        graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, shade, shade, 3));
        graph->setData(xs[static_cast<std::size_t>(step)], ys[static_cast<std::size_t>(step)]);
    }
    plot_->xAxis->setLabel(QString::fromStdString(x->name + " (" + x->units + ")"));
    plot_->yAxis->setLabel(QString::fromStdString(y->name + " (" + y->units + ")"));
    plot_->rescaleAxes();
    // The table's breakpoints, where the axes are the table's.
    if (log_->kept) {
        const Lattice lattice = LatticeOf(log_->kept->table.table);
        const auto lines = [this](const std::string& channel,
                                  const std::array<double, kLatticeSize>& at, double unit,
                                  bool vertical) {
            for (const double breakpoint : at) {
                auto* line = new QCPItemStraightLine(plot_);
                const double v = breakpoint * unit;
                line->point1->setCoords(vertical ? v : 0, vertical ? 0 : v);
                line->point2->setCoords(vertical ? v : 1, vertical ? 1 : v);
                line->setPen(QPen(QColor(160, 160, 160), 0, Qt::DotLine));
                line->setObjectName(QString::fromStdString(channel));
            }
        };
        for (const auto& [channel, vertical] :
             {std::pair{x->name, true}, std::pair{y->name, false}}) {
            if (channel == "RPM") {
                lines(channel, lattice.rpmHundreds, 100, vertical);
            } else if (channel == "MAP") {
                lines(channel, lattice.pressurePsi, 1, vertical);
            }
        }
    }
    plot_->replot();
}
