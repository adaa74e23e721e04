#include "view/qt/ViewWindow.h"

#include "common/Numbers.h"
#include "table/TableFormats.h"
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
constexpr const char* kTableFilter = "Tables (*.vet *.csv *.json);;All files (*)";

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
    file->addAction("&Compare with a table...", this, [this] { chooseTable(); });
    file->addSeparator();
    file->addAction("&Quit", QKeySequence::Quit, this, [this] { close(); });
    statusBar()->showMessage("Open a drive (.msl, .mlg or .csv), or drop one here");
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) { showTab(index); });
    connect(graphs_, &TimeGraphs::spanChanged, this, [this](double from, double to) {
        if (!log_ || log_->records() == 0 || !hitsShown_) {
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
    graphs_->display(log_.get());
    scatterShown_ = hitsShown_ = false;
    showTab(tabs_->currentIndex());
    QString message =
        QString("%1 records, %2")
            .arg(QString::fromStdString(Thousands(static_cast<std::int64_t>(log_->records()))))
            .arg(QString::fromStdString(ClockText(log_->records() ? log_->timeS.back() : 0)));
    for (const std::string& note : log_->notes) {
        message += "; " + QString::fromStdString(note);
    }
    statusBar()->showMessage(message);
    return true;
}

void ViewWindow::showTab(int index) {
    if (!log_) {
        return;
    }
    if (tabs_->widget(index) == scatter_ && !scatterShown_) {
        scatterShown_ = true;
        scatter_->display(log_.get());
    }
    if (tabs_->widget(index) == hits_ && !hitsShown_) {
        hitsShown_ = true;
        hits_->display(log_.get());
        const auto [from, to] = graphs_->span();
        emit graphs_->spanChanged(from, to);
    }
}

void ViewWindow::chooseFile() {
    const QString path = QFileDialog::getOpenFileName(this, "Open a drive", {}, kLogFilter);
    if (!path.isEmpty()) {
        open(path.toStdString());
    }
}

void ViewWindow::chooseTable() {
    const QString path =
        QFileDialog::getOpenFileName(this, "Compare with a table", {}, kTableFilter);
    if (!path.isEmpty()) {
        compareWith(path.toStdString());
    }
}

bool ViewWindow::compareWith(const std::string& path) {
    const auto refuse = [this, &path](const std::string& why) {
        statusBar()->showMessage(QString::fromStdString("Not compared with " + path + ": " + why));
        return false;
    };
    if (!log_) {
        return refuse("no drive is open");
    }
    auto read = ReadTableFile(path);
    if (const auto* error = std::get_if<FileError>(&read)) {
        return refuse(error->reason);
    }
    TableFile file = std::get<TableFile>(read);
    if (!file.hasBreakpoints && log_->kept) {
        // A .vet holds the cells alone: they go on the drive's breakpoints.
        std::copy(log_->kept->table.table.begin() + kCellCount, log_->kept->table.table.end(),
                  file.table.begin() + kCellCount);
    }
    if (const auto why = AddSuggestionChannels(*log_, file.table)) {
        return refuse(*why);
    }
    graphs_->display(log_.get());
    graphs_->setPane(2, {"AFR1", "AFR2", kTargetChannel, kPredictedChannel});
    scatterShown_ = false;
    showTab(tabs_->currentIndex());
    statusBar()->showMessage(
        QString::fromStdString("The drive under " + path + ": \"" + kPredictedChannel +
                               "\" is the air/fuel each record would have read with its VE"));
    return true;
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
