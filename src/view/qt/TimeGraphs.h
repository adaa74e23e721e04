// Up to four stacked graphs of a drive's channels on one time axis (minutes:seconds from the
// log's start), each with its own value axis and a chooser; a cursor whose time and every
// channel's value show beside them; zoom, pan, a key that fits the whole log; the markers as
// labelled vertical lines.
#pragma once

#include "view/ViewedLog.h"

#include <qcustomplot.h>

#include <QWidget>

#include <array>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;

inline constexpr int kPanes = 4;

class TimeGraphs : public QWidget {
    Q_OBJECT
public:
    explicit TimeGraphs(QWidget* parent = nullptr);

    void display(const ViewedLog* log);
    // The channels a pane draws.
    void setPane(int pane, const std::vector<std::string>& channels);
    const std::vector<std::string>& pane(int pane) const {
        return panes_[static_cast<std::size_t>(pane)];
    }

    void setCursorRecord(std::size_t record);
    std::optional<std::size_t> cursorRecord() const { return cursor_; }
    // The cursor's readout: the time, then a line a channel.
    QString readout() const;
    // Steps the cursor by records, as the arrow keys do.
    void stepCursor(int records);
    void fitAll();
    void zoom(double factor); // about the cursor, or the middle
    // The time span on screen.
    std::pair<double, double> span() const;
    // Marks the records given on the top pane; none clears.
    void markRecords(const std::vector<std::size_t>& records);
    QCustomPlot* plot() const { return plot_; }

signals:
    void spanChanged(double from, double to);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void rebuildPane(int pane);
    void drawMarkers();
    void moveCursorLines();
    void spread(const QCPRange& range);
    // Each line at the detail its span on screen can show.
    void chooseDetail();

    const ViewedLog* log_ = nullptr;
    QCustomPlot* plot_;
    QLabel* readout_;
    std::array<QComboBox*, kPanes> choosers_{};
    std::array<QCPAxisRect*, kPanes> rects_{};
    std::array<QCPLegend*, kPanes> legends_{};
    std::array<std::vector<std::string>, kPanes> panes_;
    std::array<QCPItemStraightLine*, kPanes> cursorLines_{};
    QCPGraph* marks_ = nullptr;
    // Each line's data: every record (made when first needed), then envelopes of ever larger
    // buckets.
    struct Line {
        QCPGraph* graph;
        const ViewedChannel* channel;
        std::vector<QSharedPointer<QCPGraphDataContainer>> levels;
        std::size_t shown = 0;
    };
    std::vector<Line> lines_;
    std::optional<std::size_t> cursor_;
    bool timeSorted_ = true; // the log's time never goes back
    QPoint pressedAt_;
    bool spreading_ = false;
};

// The channels each pane shows for a log of ours, as far as the log has them.
std::array<std::vector<std::string>, kPanes> DefaultPanes(const ViewedLog& log);
