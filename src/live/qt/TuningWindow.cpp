#include "live/qt/TuningWindow.h"

#include "common/Printable.h"
#include "common/qt/Documents.h"
#include "live/qt/TuneSettingsStore.h"
#include "table/TableFormats.h"
#include "tune/TuneOptionTexts.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace {

// The views, in the order the list offers them.
const std::pair<const char*, HeatMap> kViews[] = {
    {"Change", HeatMap::Change},
    {"Hits", HeatMap::Hits},
    {"Air/fuel error before", HeatMap::AfrError},
    {"Uncertainty", HeatMap::Uncertainty},
};

// Each option's caption; the values read as tvxctl analyze's options do.
const std::map<QString, QString> kCaptions = {
    {"--lag", "Lag, ms (auto, MS or MS,FLOW_MS)"},
    {"--min-temp", "Warm from, °F"},
    {"--transient", "Transient from, PSI/s"},
    {"--max-afr", "Lean limit, AFR"},
    {"--min-afr", "Rich limit, AFR"},
    {"--after-cut", "After a limit, ms"},
    {"--min-rpm", "Lowest RPM"},
    {"--wideband", "Wideband (1, 2, both)"},
    {"--min-hits", "Minimum hits"},
    {"--max-change", "Step limit, %"},
    {"--deadband", "Deadband, %"},
};
const QString kTarget = "--target";
const QString kApplyEvery = "--apply-every";

constexpr int kEngineEveryMs = 100;
constexpr int kFieldWidthPx = 110;

} // namespace

TuningWindow::TuningWindow(TuningThread& tuning, TableHost& host, StatusLine& status,
                           QWidget* parent)
    : QWidget(parent, Qt::Window), tuning_(tuning), host_(host), status_(status),
      map_(new TuneMapWidget(this)), view_(new QComboBox(this)), summary_(new QLabel(this)),
      message_(new QLabel(this)) {
    setObjectName("tuning");
    setWindowTitle("Tuning");
    setAttribute(Qt::WA_ShowWithoutActivating);
    for (const auto& [name, view] : kViews) {
        view_->addItem(name);
    }
    summary_->setObjectName("tuneSummary");
    summary_->setWordWrap(true);
    message_->setObjectName("tuneMessage");
    message_->setWordWrap(true);
    // What is said never widens the window: a long word is cut at its edge instead.
    for (QLabel* label : {summary_, message_}) {
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }
    // Wrapped text asks for its lines only once laid out: room for them from the start, so the
    // map is never squeezed under them.
    summary_->setMinimumHeight(3 * fontMetrics().lineSpacing());
    message_->setMinimumHeight(2 * fontMetrics().lineSpacing());
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel("View:", this));
    top->addWidget(view_);
    top->addStretch();
    auto* buttons = new QHBoxLayout;
    for (const char* name : {"Apply", "Lock", "Unlock", "Reset", "Save report..."}) {
        auto* button = new QPushButton(name, this);
        button->setAutoDefault(false);
        buttons->addWidget(button);
        buttons_[name] = button;
    }
    auto* settings = new QFormLayout;
    const auto addField = [&](const QString& name, const QString& caption) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name.mid(2));
        edit->setMinimumWidth(kFieldWidthPx);
        fields_[name] = edit;
        settings->addRow(caption, edit);
        connect(edit, &QLineEdit::editingFinished, this,
                [this, name, edit] { takeSetting(name, edit->text()); });
    };
    for (const TuneOptionText& option : TuneOptionTexts()) {
        addField(option.name, kCaptions.at(option.name));
    }
    addField(kTarget, "Target (an AFR, or a table file)");
    addField(kApplyEvery, "Apply every N s (off, or 10 or more)");
    auto* left = new QVBoxLayout;
    left->addLayout(top);
    left->addWidget(map_);
    left->addWidget(new QLabel("Hatched: too few hits · framed: locked · = within the deadband · "
                               "? unsure · ! at the device's limit · outlined: the engine's cell",
                               this));
    left->addLayout(buttons);
    left->addWidget(summary_);
    left->addWidget(message_);
    auto* whole = new QHBoxLayout(this);
    whole->addLayout(left);
    whole->addLayout(settings);
    whole->setSizeConstraint(QLayout::SetMinimumSize); // the map is never squeezed

    connect(view_, &QComboBox::currentIndexChanged, this,
            [this](int index) { map_->setView(kViews[index].second); });
    connect(buttons_["Apply"], &QPushButton::clicked, this,
            [this] { tuning_.apply(map_->selection()); });
    connect(buttons_["Lock"], &QPushButton::clicked, this, [this] { lockSelection(true); });
    connect(buttons_["Unlock"], &QPushButton::clicked, this, [this] { lockSelection(false); });
    connect(buttons_["Reset"], &QPushButton::clicked, this, [this] {
        tuning_.reset();
        status_.showStatus("Tuning reset: nothing gathered");
    });
    connect(buttons_["Save report..."], &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(
            this, "Save report", DocumentsFolder("Torvex tables") + "/tuning.html",
            "HTML report (*.html)");
        if (!path.isEmpty()) {
            saveReport(path);
        }
    });
    connect(&tuning_, &TuningThread::updated, this, &TuningWindow::refresh);
    connect(&engine_, &QTimer::timeout, this, [this] { map_->setEngineCell(host_.engineCell()); });
    engine_.start(kEngineEveryMs);
    showSettings();
    refresh();
}

QPushButton* TuningWindow::button(const QString& name) const {
    return buttons_.at(name);
}

QLineEdit* TuningWindow::field(const QString& name) const {
    return fields_.at(name);
}

QString TuningWindow::message() const {
    return message_->text();
}

bool TuningWindow::takeSetting(const QString& name, const QString& text) {
    TuneSettings settings = tuning_.settings();
    const std::string value = text.trimmed().toStdString();
    std::string refused;
    if (name == kTarget) {
        if (const auto why = TargetTextFault(value)) {
            refused = *why;
        } else {
            settings.target = value;
        }
    } else if (name == kApplyEvery) {
        if (const auto seconds = ApplyEveryOf(value.empty() ? "off" : value)) {
            settings.applyEveryS = *seconds;
        } else {
            refused = RefusalText("Apply every", kApplyEveryWhat, value);
        }
    } else {
        for (const TuneOptionText& option : TuneOptionTexts()) {
            if (option.name == name && !option.take(value, settings.options)) {
                refused = RefusalText(kCaptions.at(name).toStdString(), option.what, value);
            }
        }
    }
    if (!refused.empty()) {
        message_->setText(QString::fromStdString(Printable(refused)));
        showSettings();
        return false;
    }
    message_->clear();
    tuning_.setSettings(settings);
    showSettings();
    keep();
    return true;
}

void TuningWindow::showSettings() {
    const TuneSettings& s = tuning_.settings();
    for (const TuneOptionText& option : TuneOptionTexts()) {
        fields_.at(option.name)->setText(QString::fromStdString(option.show(s.options)));
    }
    fields_.at(kTarget)->setText(QString::fromStdString(s.target));
    fields_.at(kApplyEvery)->setText(s.applyEveryS ? QString::number(s.applyEveryS) : "off");
}

void TuningWindow::keep() {
    if (const auto why = SaveTuning({tuning_.settings(), tuning_.locked()})) {
        message_->setText(QString::fromStdString(Printable(*why)));
        status_.showStatus(*why);
    }
}

void TuningWindow::lockSelection(bool locked) {
    if (map_->selection().empty()) {
        message_->setText("Select cells on the map first: a click, or a drag");
        return;
    }
    tuning_.setLocked(map_->selection(), locked);
    keep();
    refresh();
}

void TuningWindow::saveReport(const QString& path) {
    const auto s = tuning_.snapshot();
    if (!s->started) {
        status_.showStatus("No report: nothing has been gathered");
        return;
    }
    TuneOptions options = tuning_.settings().options;
    options.lag = s->lag.lag;
    const std::string summary = "Live tuning: " + std::to_string(s->analysis.accepted) +
                                " records used of " + std::to_string(s->analysis.records);
    const std::string html =
        ReportHtml({s->table,
                    s->suggestion,
                    s->analysis,
                    options,
                    s->lag,
                    summary,
                    {"the live records"},
                    {"the table the window holds"},
                    tuning_.settings().target.empty() ? "the default" : tuning_.settings().target});
    const auto written = WriteTextFiles({{path.toStdString(), html}});
    if (const auto* error = std::get_if<FileError>(&written)) {
        status_.showStatus("The report was not saved: " + error->reason);
    } else {
        status_.showStatus("Report saved as " + path.toStdString());
    }
}

void TuningWindow::refresh() {
    const auto s = tuning_.snapshot();
    map_->show(s, tuning_.settings().options, host_.heldTable().table, tuning_.locked());
    QString text = QString("%1 · %2 ready · %3 learning")
                       .arg(tuning_.on() ? "Tune on" : "Tune off")
                       .arg(s->counts.ready)
                       .arg(s->counts.learning);
    if (s->started) {
        text += QString(" · %1 records · %2")
                    .arg(s->analysis.records)
                    .arg(QString::fromStdString(LagText(s->lag)));
    }
    if (!s->problem.empty()) {
        text += QString(" · %1").arg(QString::fromStdString(Printable(s->problem)));
    }
    summary_->setText(text);
}
