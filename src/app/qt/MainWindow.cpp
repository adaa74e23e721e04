#include "app/qt/MainWindow.h"
#include "app/qt/KeyPreview.h"
#include "app/qt/LinkHealthField.h"
#include "common/Printable.h"
#include "common/Twips.h"
#include "common/qt/FramePacer.h"
#include "datalog/LiveLogs.h"
#include "datalog/qt/QtLogClock.h"
#include "datalog/qt/RecordField.h"
#include "edit/qt/TableWindow.h"
#include "link/Intake.h"
#include "link/qt/PresentPorts.h"
#include "link/qt/QtLinkTimer.h"
#include "link/qt/QtSerialPort.h"
#include "live/qt/TuneField.h"
#include "live/qt/TuneSettingsStore.h"
#include "live/qt/TuningThread.h"
#include "live/qt/TuningWindow.h"
#include "marker/qt/MarkerWidget.h"
#include "surface/qt/CanvasWidget.h"
#include "table/qt/QtFileDialogs.h"
#include "table/qt/QtGrid.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolButton>

#include <optional>

namespace {

// The platform colours the design names; these are what Windows reports by default.
const QColor kDesktop(0, 0, 0);
const QColor kMenuText(0, 0, 0);

QRect FromTwips(int left, int top, int width, int height) {
    return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
                 height / kTwipsPerPixel);
}

enum class Face { Arial, Brand };

QFont DesignFont(Face face, double points, bool bold, bool italic = false) {
    QFont font;
    if (face == Face::Arial) {
        font.setFamilies({"Arial", "Liberation Sans"}); // metric-compatible where Arial is absent
    } else {
        // The brand face is wide and all capitals; a wide sans in capitals stands in for it.
        font.setFamilies({"Ethnocentric Rg", "DejaVu Sans", "Liberation Sans"});
        font.setCapitalization(QFont::AllUppercase);
    }
    font.setPixelSize(qRound(points * 96.0 / 72.0));
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

struct BoxLayout {
    const char* name;
    std::optional<TextBox> box; // set for the boxes the core writes
    QRect geometry;
    const char* text;
    QFont font;
    QColor textColour;
    QColor background;
    bool frame; // captions have no border
};

} // namespace

// A text reaches its box at the next display frame, and only when it differs from the shown one:
// a record sets six readouts, and most records change only some of them.
class MainWindow::Boxes : public TextBoxes {
public:
    Boxes(const std::map<TextBox, QLineEdit*>& widgets, FramePacer& pacer)
        : widgets_(widgets), pacer_(pacer) {
        pacer.onFrame([this] { show(); });
    }
    void setText(TextBox box, const std::string& text) override {
        pending_[box] = text;
        pacer_.schedule();
    }
    void show() {
        for (const auto& [box, text] : pending_) {
            QLineEdit* edit = widgets_.at(box);
            const QString shown = QString::fromStdString(text);
            if (edit->text() != shown) {
                edit->setText(shown);
            }
        }
        pending_.clear();
    }
    void setTextColour(TextBox box, Rgb colour) override {
        QLineEdit* edit = widgets_.at(box);
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Text, QColor(colour.r, colour.g, colour.b));
        edit->setPalette(palette);
    }

private:
    const std::map<TextBox, QLineEdit*>& widgets_;
    FramePacer& pacer_;
    std::map<TextBox, std::string> pending_;
};

class MainWindow::Status : public StatusLine {
public:
    explicit Status(QLabel* label) : label_(label) {}
    void showStatus(const std::string& text) override {
        // A long message is cut at the window's edge: the whole of it shows when pointed at.
        const QString shown = QString::fromStdString(Printable(text));
        label_->setText(shown);
        label_->setToolTip(shown);
    }

private:
    QLabel* label_;
};

MainWindow::MainWindow(Release release, QWidget* parent)
    : QMainWindow(parent), pacer_(std::make_unique<FramePacer>()) {
    setWindowTitle(release == Release::V12 ? "Torvex v1.2" : "Torvex v1.7");
    canvas_ = new CanvasWidget(kDesktop, this);
    canvas_->setObjectName("Form3D");
    setCentralWidget(canvas_);
    buildControls();

    statusLabel_ = new QLabel(this);
    statusLabel_->setObjectName("status");
    statusBar()->addWidget(statusLabel_, 1);
    statusBar()->setSizeGripEnabled(false);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    canvas_->setPacer(*pacer_);
    marker_->setPacer(*pacer_);
    boxes_ = std::make_unique<Boxes>(boxWidgets_, *pacer_);
    status_ = std::make_unique<Status>(statusLabel_);
    serial_ = std::make_unique<QtSerialPort>();
    dialogs_ = std::make_unique<QtFileDialogs>(this);
    timer_ = std::make_unique<QtLinkTimer>([this] { form_->SerialQuiet_Timer(); });
    form_ = std::make_unique<Form3D>(release, Platform{*serial_, *grid_, *canvas_, *marker_,
                                                       *boxes_, *dialogs_, *status_, *timer_});
    serial_->setReceiveHandler([this] { form_->ProcessSerialInput(); });
    // While live records stream, the port is read once a frame: the screen shows each frame's
    // newest record either way, and the datalog gets every record whatever a read holds.
    serial_->setPacing([this] { return form_->realTimeOn == 1 && form_->awaitingTable == 0; },
                       [this] { pacer_->schedule(); });
    pacer_->beforeFrame([this] { serial_->readAtFrame(); });
    serial_->setLostHandler([this](const std::string& what) { form_->SerialPortLost(what); });
    keyPreview_ = new KeyPreview(
        this, [this](std::int16_t code, std::int16_t shift) { form_->Form_KeyDown(code, shift); });

    buildMenus(release);
    form_->Form_Load();
    pacer_->flush(); // the window opens showing what Form_Load set

    auto* health = new LinkHealthField([this] { return form_->linkHealth(); }, this);
    statusBar()->addPermanentWidget(health);
    recordField_ = new RecordField(*status_, windowTitle().toStdString(), [this, release] {
        return AirflowInHertz(form_->intakeType, release);
    });
    statusBar()->addPermanentWidget(recordField_);
    recordField_->recorder().setTableSource([this] { return form_->HeldTable(); });
    form_->setTableArchive(&archive_);

    tuneClock_ = std::make_unique<QtLogClock>();
    tableHost_ = std::make_unique<FormTableHost>(*form_);
    tuning_ = std::make_unique<TuningThread>(*tableHost_, recordField_->recorder(), *tuneClock_,
                                             *status_);
    const LoadedTuning loaded = LoadTuning();
    const StoredTuning& stored = loaded.stored;
    for (const std::string& note : loaded.notes) {
        status_->showStatus(note);
    }
    tuning_->setSettings(stored.settings);
    std::vector<int> locked;
    for (int cell = 0; cell < kCellCount; ++cell) {
        if (stored.locked[cell]) {
            locked.push_back(cell);
        }
    }
    tuning_->setLocked(locked, true);
    // The recording hears of each record first: the tuning counts by its clock.
    logs_ =
        std::make_unique<LiveLogs>(std::vector<LiveLog*>{&recordField_->recorder(), tuning_.get()});
    form_->setLiveLog(logs_.get());
    tuneField_ = new TuneField(*tuning_, [this] {
        TuningWindow& window = tuningWindow();
        window.show();
        window.raise();
    });
    statusBar()->addPermanentWidget(tuneField_);
    auto* table = new QToolButton(this);
    table->setObjectName("tableButton");
    table->setText("Table");
    table->setFocusPolicy(Qt::NoFocus); // every key still reaches the grid
    connect(table, &QToolButton::clicked, this, [this] {
        TableWindow& window = tableWindow();
        window.show();
        window.raise();
    });
    statusBar()->addPermanentWidget(table);
    auto* view = new QToolButton(this);
    view->setObjectName("viewButton");
    view->setText("View");
    view->setFocusPolicy(Qt::NoFocus);
    connect(view, &QToolButton::clicked, this, [this] { openInViewer(); });
    statusBar()->addPermanentWidget(view);
    // Each Connect begins the gathering and the undo history afresh.
    connect(findChild<QAction*>("mnuConnectToTVX"), &QAction::triggered, this, [this] {
        tuning_->reset();
        if (tableWindow_) {
            tableWindow_->startOver();
        }
    });
}

MainWindow::~MainWindow() {
    // The recording's last rows are written while the status line and the core still exist.
    form_->setLiveLog(nullptr);
    delete tuningWindow_;
    delete tableWindow_;
    tuning_.reset();
    delete recordField_;
}

TuningWindow& MainWindow::tuningWindow() {
    if (!tuningWindow_) {
        // A window of its own that closes with this one.
        tuningWindow_ = new TuningWindow(*tuning_, *tableHost_, *status_, this);
    }
    return *tuningWindow_;
}

void MainWindow::openInViewer() {
    const auto drive = recordField_->recorder().lastDrive();
    if (!drive) {
        status_->showStatus("Nothing to view: no drive was recorded yet (Record, at the right)");
        return;
    }
    // The viewer installed beside this program, else the one on the PATH.
    const QString beside = QCoreApplication::applicationDirPath() + "/tvxview";
    const QString viewer = QFileInfo(beside).isExecutable() ? beside : "tvxview";
    if (!QProcess::startDetached(viewer, {QString::fromStdString(*drive)})) {
        status_->showStatus("Cannot start tvxview to view " + *drive + ": it is not installed");
        return;
    }
    status_->showStatus("Viewing " + *drive + " in tvxview");
}

TableWindow& MainWindow::tableWindow() {
    if (!tableWindow_) {
        tableWindow_ = new TableWindow(
            *tableHost_,
            [this] {
                const Form3D& f = *form_;
                if (f.blockActive == 0) {
                    return Block{};
                }
                return Block{f.blockColLow, f.blockColHigh, f.blockRowLow, f.blockRowHigh};
            },
            *status_, this);
    }
    return *tableWindow_;
}

TextBoxes& MainWindow::boxes() {
    return *boxes_;
}

QString MainWindow::statusText() const {
    return statusLabel_->text();
}

QString MainWindow::boxText(TextBox box) const {
    return boxWidgets_.at(box)->text();
}

void MainWindow::buildControls() {
    const QFont windowFont = DesignFont(Face::Arial, 18, false);
    const QFont readout = DesignFont(Face::Arial, 15.75, true);
    const QFont caption = DesignFont(Face::Arial, 18, true);
    const QColor red(192, 0, 0);
    const QColor green(0, 255, 0);
    const BoxLayout boxes[] = {
        {"Text3",
         {},
         FromTwips(0, 0, 6375, 300),
         "Torvex",
         DesignFont(Face::Brand, 14.25, true, true),
         QColor(128, 0, 0),
         kDesktop,
         false},
        {"Text7",
         {},
         FromTwips(8760, 0, 3015, 555),
         "Volu",
         DesignFont(Face::Brand, 20.25, true, true),
         QColor(64, 64, 64),
         kDesktop,
         false},
        {"txt_RTState", TextBox::RTState, FromTwips(120, 360, 1695, 525), "", windowFont, green,
         kMenuText, true},
        {"txtRPM", TextBox::Rpm, FromTwips(9840, 720, 1815, 735), "RPM", readout, red, kDesktop,
         true},
        {"txtPressure", TextBox::Pressure, FromTwips(10080, 1200, 1455, 735), "PSI", readout, red,
         kDesktop, true},
        {"txtTemp", TextBox::Temp, FromTwips(10080, 1680, 1575, 735), "Temp", readout, red,
         kDesktop, true},
        {"txtMAFOut", TextBox::MAFOut, FromTwips(9840, 2160, 1815, 375), "MAFOut", readout, red,
         kDesktop, true},
        {"txtWB1", TextBox::WB1, FromTwips(9720, 2880, 1815, 375), "WB1", readout, red, kDesktop,
         true},
        {"txtWB2", TextBox::WB2, FromTwips(9720, 3360, 1815, 375), "WB2", readout, red, kDesktop,
         true},
        {"txt_intakeType", TextBox::IntakeType, FromTwips(1200, 5040, 1695, 525), "",
         DesignFont(Face::Arial, 14.25, false), green, kDesktop, true},
        {"Text1",
         {},
         FromTwips(5040, 5040, 4215, 495),
         "Manifold Pressure (PSI)",
         caption,
         red,
         kDesktop,
         false},
        {"Text2", {}, FromTwips(120, 7200, 1095, 615), "RPM", caption, red, kDesktop, false},
    };
    for (const BoxLayout& layout : boxes) {
        auto* edit = new QLineEdit(QString::fromLatin1(layout.text), canvas_);
        edit->setObjectName(layout.name);
        edit->setGeometry(layout.geometry);
        edit->setFont(layout.font);
        edit->setFrame(layout.frame);
        edit->setTextMargins(0, 0, 0, 0);
        edit->setAlignment(Qt::AlignLeft | Qt::AlignTop); // tall boxes show their text at the top
        edit->setFocusPolicy(Qt::ClickFocus);             // no part in Tab movement
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Text, layout.textColour);
        palette.setColor(QPalette::Base, layout.background);
        edit->setPalette(palette);
        if (layout.box) {
            boxWidgets_[*layout.box] = edit;
        }
    }

    grid_ = std::make_unique<QtGrid>(canvas_);
    QTableWidget* table = grid_->widget();
    table->setGeometry(FromTwips(1200, 5640, 13935, 6015)); // cut off by the window's edges

    auto* btnRT = new QPushButton("RealTime", canvas_);
    btnRT->setObjectName("btnRT");
    btnRT->setGeometry(FromTwips(9840, 4320, 1815, 495));
    auto* btnCMDOFF = new QPushButton("RT OFF", canvas_);
    btnCMDOFF->setObjectName("btnCMDOFF");
    btnCMDOFF->setGeometry(FromTwips(9840, 4920, 1815, 495));
    for (QPushButton* button : {btnRT, btnCMDOFF}) {
        button->setFont(windowFont);
        button->setAutoDefault(false);
    }
    connect(btnRT, &QPushButton::clicked, this, [this] { form_->btnRT_Click(); });
    connect(btnCMDOFF, &QPushButton::clicked, this, [this] { form_->btnCMDOFF_Click(); });

    marker_ =
        new MarkerWidget([this](float x, float y) { return canvas_->toPixel(x, y); }, canvas_);
    marker_->setObjectName("Picture1");
    marker_->setGeometry(FromTwips(0, 12480, 375, 435)); // below the visible client area

    setTabOrder(table, btnRT);
    setTabOrder(btnRT, btnCMDOFF);
    setTabOrder(btnCMDOFF, marker_);
    table->setFocus();
}

void MainWindow::buildMenus(Release release) {
    QMenuBar* bar = menuBar();
    const auto addMenu = [bar](const char* name, const char* title) {
        QMenu* menu = bar->addMenu(title);
        menu->setObjectName(name);
        return menu;
    };
    // Items without a handler do nothing when chosen.
    const auto addItem = [this](QMenu* menu, const char* name, const char* text,
                                void (Form3D::*handler)() = nullptr) {
        QAction* action = menu->addAction(text);
        action->setObjectName(name);
        if (handler) {
            connect(action, &QAction::triggered, this,
                    [this, handler] { (form_.get()->*handler)(); });
        }
        return action;
    };

    QMenu* file = addMenu("mnuFile", "&File");
    addItem(file, "mnuConnectToTVX", "&Connect to TVX", &Form3D::mnuConnectToTVX_Click);
    addItem(file, "mnuLoadVEfromfile", "&Load VE from file", &Form3D::mnuLoadVEfromfile_Click);
    addItem(file, "mnuSaveVEtofile", "&Save VE to file", &Form3D::mnuSaveVEtofile_Click);

    QMenu* com = addMenu("mnuCom", "&COM");
    // Adapters come and go: each opening of the menu says what every item reaches now.
    connect(com, &QMenu::aboutToShow, this, [com] {
        const std::vector<PortRecord> present = PresentPorts();
        const QList<QAction*> items = com->actions();
        for (int n = 1; n <= items.size(); ++n) {
            items[n - 1]->setStatusTip(
                QString::fromStdString(ComItemTip(n, ComPortNow(n, present))));
        }
    });
    for (std::int16_t n = 1; n <= 20; ++n) {
        QAction* item = com->addAction(QString("&Com Port %1").arg(n));
        item->setObjectName(QString("mnuComPort%1").arg(n));
        connect(item, &QAction::triggered, this, [this, n] { form_->mnuComPort_Click(n); });
    }

    QMenu* intake = addMenu("mnuIntakeType", "&Intake Type");
    addItem(intake, "mnuSingleIntake", "&Single Intake", &Form3D::mnuSingleIntake_Click);
    addItem(intake, "mnuDualIntake", "&Dual Intake", &Form3D::mnuDualIntake_Click);
    if (release == Release::V17) {
        addItem(intake, "mnu3KGTKV", "&3KGT KV ", &Form3D::mnu3KGTKV_Click);
    }

    QMenu* sensors = addMenu("mnuSensors", "&Sensors");
    addItem(sensors, "mnuMAFTF", "&MAF Transfer Function");
    addItem(sensors, "mnuTempSensorTransferFunction", "&Temp Sensor Transfer Function");
    addItem(sensors, "mnuMAPTransferFunction", "&MAP Transfer Function");
    addItem(addMenu("mnuIgnition", "&Ignition"), "mnuConfiguration", "&Configuration");
    addItem(addMenu("mnuFirmware", "&Firmware"), "mnuUpdateFirmware", "&Update Firmware");
    addItem(addMenu("mnuHelp", "&Help"), "mnuAbout", "&About");
}
