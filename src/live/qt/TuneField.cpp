#include "live/qt/TuneField.h"

#include <QHBoxLayout>

QString TuneFieldText(bool on, const TuneCounts& counts) {
    if (!on) {
        return "Tune";
    }
    return QString("Tune: %1 ready · %2 learning").arg(counts.ready).arg(counts.learning);
}

TuneField::TuneField(TuningThread& tuning, std::function<void()> openWindow, QWidget* parent)
    : QWidget(parent), tuning_(tuning), toggle_(new QToolButton(this)),
      open_(new QToolButton(this)) {
    setObjectName("tuneField");
    toggle_->setObjectName("tune");
    toggle_->setCheckable(true);
    toggle_->setFocusPolicy(Qt::NoFocus);
    toggle_->setToolTip("Live tuning: every live record feeds the analysis");
    toggle_->setStyleSheet("QToolButton:checked { color: white; background: rgb(0, 112, 0); }");
    open_->setObjectName("tuningWindow");
    open_->setText("Map");
    open_->setFocusPolicy(Qt::NoFocus);
    open_->setToolTip("The Tuning window: what each cell wants, and Apply");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(toggle_);
    layout->addWidget(open_);
    setFocusPolicy(Qt::NoFocus);
    connect(toggle_, &QToolButton::toggled, this, [this](bool on) {
        tuning_.setOn(on);
        refresh();
    });
    connect(open_, &QToolButton::clicked, this,
            [openWindow = std::move(openWindow)] { openWindow(); });
    connect(&tuning_, &TuningThread::updated, this, &TuneField::refresh);
    refresh();
}

void TuneField::setOn(bool on) {
    toggle_->setChecked(on);
}

QString TuneField::text() const {
    return toggle_->text();
}

void TuneField::refresh() {
    toggle_->setText(TuneFieldText(tuning_.on(), tuning_.snapshot()->counts));
}
