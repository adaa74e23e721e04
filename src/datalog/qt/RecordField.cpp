#include "datalog/qt/RecordField.h"
#include "common/FileNames.h"
#include "common/qt/Documents.h"
#include "datalog/qt/QtLogClock.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>

namespace {

// <Documents>/Torvex logs/YYYY-MM-DD_HH.MM.SS.msl, its folder made if need be; a second
// recording begun within the same second gets "_2" and so on rather than replacing the first.
QString NewLogPath(const LogFile& file) {
    const QString folder = DocumentsFolder("Torvex logs");
    if (folder.isEmpty()) {
        return {};
    }
    QDir().mkpath(folder);
    return QString::fromStdString(UnusedPath(
        folder.toStdString() + "/" + FileStamp(LocalNow()), ".msl",
        [&file](const std::string& path) { return Recorder::existing(path, file).has_value(); }));
}

} // namespace

RecordField::RecordField(StatusLine& status, std::string signature,
                         std::function<bool()> airflowInHertz, QWidget* parent)
    : QWidget(parent), clock_(std::make_unique<QtLogClock>()),
      recorder_(std::make_unique<Recorder>(file_, *clock_, status, std::move(signature))),
      airflowInHertz_(std::move(airflowInHertz)), status_(status), button_(new QToolButton(this)),
      label_(new QLabel(this)) {
    setObjectName("recordField");
    button_->setObjectName("record");
    button_->setText("Record");
    button_->setCheckable(true);
    button_->setFocusPolicy(Qt::NoFocus);
    button_->setStyleSheet("QToolButton:checked { color: white; background: rgb(192, 0, 0); }");
    label_->setObjectName("recording");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label_);
    layout->addWidget(button_);
    setFocusPolicy(Qt::NoFocus);
    connect(button_, &QToolButton::toggled, this, &RecordField::toggled);
    connect(&timer_, &QTimer::timeout, this, &RecordField::tick);
    timer_.start(kTickMs);
}

RecordField::~RecordField() {
    recorder_->stop(); // the program is closing: what is waiting goes to the file
}

void RecordField::recordFromFirstRecord(const std::string& path, bool replace) {
    recorder_->startWithFirstRecord(path, replace);
    refresh();
}

void RecordField::toggled(bool on) {
    if (on == recorder_->recording()) {
        return;
    }
    if (on) {
        const QString path = NewLogPath(file_);
        if (path.isEmpty()) {
            status_.showStatus(std::string("Not recording: ") + kNoHomeText);
        } else {
            recorder_->start(path.toStdString(), airflowInHertz_());
        }
    } else {
        recorder_->stop();
    }
    refresh();
}

void RecordField::tick() {
    recorder_->tick();
    // Repainting the count costs more than the recording itself: once a second will do.
    if (++ticks_ % kCountEveryTicks == 0 || button_->isChecked() != recorder_->recording()) {
        refresh();
    }
}

void RecordField::refresh() {
    const bool on = recorder_->recording();
    if (button_->isChecked() != on) {
        const QSignalBlocker quiet(button_); // a failed write stopped it: only show that
        button_->setChecked(on);
    }
    const QString name = QFileInfo(QString::fromStdString(recorder_->path())).fileName();
    label_->setText(on ? QString("%1: %2 records").arg(name).arg(recorder_->records()) : "");
    label_->setToolTip(on ? QString::fromStdString(recorder_->path()) : "");
}
