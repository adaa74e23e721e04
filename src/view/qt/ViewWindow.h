// tvxview's window: one drive, as time graphs, a scatter and the hits on the table.
#pragma once

#include "view/ViewedLog.h"

#include <QMainWindow>

#include <memory>
#include <string>

class HitsMap;
class QTabWidget;
class ScatterPlot;
class TimeGraphs;

class ViewWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit ViewWindow(QWidget* parent = nullptr);

    // Shows the log at `path`; false, said on the status bar, when it cannot be read (the drive
    // shown before stays).
    bool open(const std::string& path);
    // Adds the drive as it would have been under the table at `path` (a .vet takes the drive's
    // breakpoints); false, said on the status bar, when it cannot.
    bool compareWith(const std::string& path);
    const ViewedLog* log() const { return log_.get(); }
    TimeGraphs* graphs() const { return graphs_; }
    ScatterPlot* scatter() const { return scatter_; }
    HitsMap* hits() const { return hits_; }
    QTabWidget* tabs() const { return tabs_; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void chooseFile();
    void chooseTable();
    // The scatter and the hits are made when their tab is first shown for the drive: opening
    // waits only for the graphs.
    void showTab(int index);

    std::unique_ptr<ViewedLog> log_;
    QTabWidget* tabs_;
    TimeGraphs* graphs_;
    ScatterPlot* scatter_;
    HitsMap* hits_;
    bool scatterShown_ = false;
    bool hitsShown_ = false;
};
