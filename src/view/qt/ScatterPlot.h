// A drive's records as points: X, Y and colour each a channel (RPM against pressure coloured by
// the air/fuel error, by default), with the table's breakpoints drawn as grid lines.
#pragma once

#include "view/ViewedLog.h"

#include <QWidget>

class QComboBox;
class QCustomPlot;

class ScatterPlot : public QWidget {
    Q_OBJECT
public:
    explicit ScatterPlot(QWidget* parent = nullptr);

    void display(const ViewedLog* log);
    void choose(const std::string& x, const std::string& y, const std::string& colour);
    QCustomPlot* plot() const { return plot_; }

private:
    void redraw();

    const ViewedLog* log_ = nullptr;
    QComboBox* x_;
    QComboBox* y_;
    QComboBox* colour_;
    QCustomPlot* plot_;
};

// The colour of a value between `low` and `high`, as the report colours a change: blue below
// the middle, white at it, red above.
QColor ScatterColour(double value, double low, double high);
