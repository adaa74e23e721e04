#include "view/qt/ViewWindow.h"

#include "view/DerivedChannels.h"
#include "view/qt/HitsMap.h"
#include "view/qt/ScatterPlot.h"
#include "view/qt/TimeGraphs.h"

#include <QDragEnterEvent>
#include <QFileDialog>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTabWidget>

namespace {

constexpr const char* kTitle = "tvxview";
constexpr const char* kLogFilter = "Datalogs (*.msl *.mlg *.csv);;All files (*)";

} // namespace

ViewWindow::ViewWindow(QWidget* parent)
    : QMainWindow(parent), tabs_(new QTabWidget(this)), graphs_(new TimeGraphs(this)),
      scatter_(new ScatterPlot(this)), hits_(new HitsMap(this)) {
    setWindowTitle(kTitle);
    setAcceptDrops(true);
    tabs_->addTab(graphs_, "&Graphs");
    tabs_->addTab(scatter_, "&Scatter");
    tabs_->addTab(hits_, "&Hits");
    setCentralWidget(tabs_);
    QMenu* file = menuBar()->addMenu("&File");
    file->addAction("&Open...", QKeySequence::Open, this, [this] { chooseFile(); });
    file->addSeparator();
    file->addAction("&Quit", QKeySequence::Quit, this, [this] { close(); });
    statusBar()->showMessage("Open a drive (.msl, .mlg or .csv), or drop one here");
    connect(graphs_, &TimeGraphs::spanChanged, this, [this](double from, double to) {
        if (!log_ || log_->records() == 0) {
            return;
        }
        const std::size_t first = RecordAt(log_->timeS, from).value_or(0);
        const std::size_t last = RecordAt(log_->timeS, to).value_or(0) + 1;
        hits_->grid()->setTrace(first, last);
    });
    connect(hits_, &HitsMap::recordsSelected, graphs_, &TimeGraphs::markRecords);
    resize(1200, 800);
}

bool ViewWindow::open(const std::string& path) {
    auto read = LoadViewedLog(path);
    if (const auto* why = std::get_if<std::string>(&read)) {
        statusBar()->showMessage(QString::fromStdString(*why));
        return false;
    }
    auto log = std::make_unique<ViewedLog>(std::move(std::get<ViewedLog>(read)));
    AddTargetChannels(*log);
    log_ = std::move(log);
    setWindowTitle(QString::fromStdString(path) + " - " + kTitle);
    graphs_->show(log_.get());
    scatter_->show(log_.get());
    hits_->show(log_.get());
    const auto [from, to] = graphs_->span();
    emit graphs_->spanChanged(from, to);
    QString message =
        QString("%1 records, %2")
            .arg(log_->records())
            .arg(QString::fromStdString(ClockText(log_->records() ? log_->timeS.back() : 0)));
    for (const std::string& note : log_->notes) {
        message += "; " + QString::fromStdString(note);
    }
    statusBar()->showMessage(message);
    return true;
}

void ViewWindow::chooseFile() {
    const QString path = QFileDialog::getOpenFileName(this, "Open a drive", {}, kLogFilter);
    if (!path.isEmpty()) {
        open(path.toStdString());
    }
}

void ViewWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void ViewWindow::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.front().isLocalFile()) {
        open(urls.front().toLocalFile().toStdString());
    }
}
