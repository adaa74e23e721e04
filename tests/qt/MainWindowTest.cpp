// The main window: controls where the design puts them, the menu tree, keys, the status bar.
#include "app/qt/MainWindow.h"
#include "link/qt/QtSerialPort.h"
#include "surface/qt/CanvasWidget.h"

#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>

#include <cmath>

namespace {

struct Placement {
    const char* name;
    int left, top, width, height; // twips
};

// The design's control table.
const Placement kControls[] = {
    {"Text3", 0, 0, 6375, 300},
    {"Text7", 8760, 0, 3015, 555},
    {"txt_RTState", 120, 360, 1695, 525},
    {"txtRPM", 9840, 720, 1815, 735},
    {"txtPressure", 10080, 1200, 1455, 735},
    {"txtTemp", 10080, 1680, 1575, 735},
    {"txtMAFOut", 9840, 2160, 1815, 375},
    {"txtWB1", 9720, 2880, 1815, 375},
    {"txtWB2", 9720, 3360, 1815, 375},
    {"btnRT", 9840, 4320, 1815, 495},
    {"btnCMDOFF", 9840, 4920, 1815, 495},
    {"txt_intakeType", 1200, 5040, 1695, 525},
    {"Text1", 5040, 5040, 4215, 495},
    {"Text2", 120, 7200, 1095, 615},
    {"MSFlexGrid1", 1200, 5640, 13935, 6015},
    {"Picture1", 0, 12480, 375, 435},
};

QStringList MenuTree(const QMenuBar* bar) {
    QStringList tree;
    for (QAction* menu : bar->actions()) {
        tree << menu->text();
        for (QAction* item : menu->menu()->actions()) {
            tree << "  " + item->text();
        }
    }
    return tree;
}

QStringList ExpectedTree(bool withKv) {
    QStringList tree{"&File", "  &Connect to TVX", "  &Load VE from file", "  &Save VE to file",
                     "&COM"};
    for (int n = 1; n <= 20; ++n) {
        tree << QString("  &Com Port %1").arg(n);
    }
    tree << "&Intake Type"
         << "  &Single Intake"
         << "  &Dual Intake";
    if (withKv) {
        tree << "  &3KGT KV ";
    }
    tree << "&Sensors"
         << "  &MAF Transfer Function"
         << "  &Temp Sensor Transfer Function"
         << "  &MAP Transfer Function"
         << "&Ignition"
         << "  &Configuration"
         << "&Firmware"
         << "  &Update Firmware"
         << "&Help"
         << "  &About";
    return tree;
}

QAction* Item(MainWindow& w, const char* name) {
    return w.findChild<QAction*>(name);
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void controls_standAtTheirTwipPositionsOverTheClientArea() {
        MainWindow w(Release::V17);
        QCOMPARE(w.centralWidget()->size(), QSize(950, 751));
        for (const Placement& c : kControls) {
            QWidget* control = w.centralWidget()->findChild<QWidget*>(c.name);
            QVERIFY2(control, c.name);
            QCOMPARE(control->parentWidget(), w.centralWidget());
            QCOMPARE(control->geometry(),
                     QRect(c.left / 15, c.top / 15, c.width / 15, c.height / 15));
        }
    }

    void startUp_showsDesignTextsAndRtOffInRed() {
        MainWindow w(Release::V17);
        QCOMPARE(w.windowTitle(), QString("Torvex v1.7"));
        const auto text = [&w](const char* name) { return w.findChild<QLineEdit*>(name)->text(); };
        QCOMPARE(text("txt_RTState"), QString("RT OFF"));
        QCOMPARE(w.findChild<QLineEdit*>("txt_RTState")->palette().color(QPalette::Text),
                 QColor(255, 0, 0));
        QCOMPARE(text("txtRPM"), QString("RPM"));
        QCOMPARE(text("txtMAFOut"), QString("MAFOut"));
        QCOMPARE(text("Text1"), QString("Manifold Pressure (PSI)"));
        QCOMPARE(text("txt_intakeType"), QString());
        QCOMPARE(w.findChild<QPushButton*>("btnCMDOFF")->text(), QString("RT OFF"));
        const QFont readout = w.findChild<QLineEdit*>("txtRPM")->font();
        QCOMPARE(readout.pixelSize(), 21); // 15.75 pt at 96 dpi
        QVERIFY(readout.bold());
        QCOMPARE(w.form().linkActive, 0);
    }

    void menus_areExactlyTheDesignsTree() {
        MainWindow v17(Release::V17);
        QCOMPARE(MenuTree(v17.menuBar()), ExpectedTree(true));
        MainWindow v12(Release::V12);
        QCOMPARE(v12.windowTitle(), QString("Torvex v1.2"));
        QCOMPARE(MenuTree(v12.menuBar()), ExpectedTree(false));
        for (QAction* menu : v17.menuBar()->actions()) {
            for (QAction* item : menu->menu()->actions()) {
                QVERIFY(!item->isCheckable() && !item->isSeparator() && item->isEnabled());
                QVERIFY(item->shortcut().isEmpty());
            }
        }
    }

    void comItems_chooseThePortAndTipItsDevice() {
        qputenv("TVX_COM3", "/dev/pts/77");
        qunsetenv("TVX_COM4");
        MainWindow w(Release::V17);
        QCOMPARE(Item(w, "mnuComPort3")->statusTip(), QString("/dev/pts/77"));
        QCOMPARE(Item(w, "mnuComPort4")->statusTip(), QString("/dev/ttyS3"));
        Item(w, "mnuComPort7")->trigger();
        QCOMPARE(w.form().comPort, 7);
        QVERIFY(!w.serial().isOpen());
        Item(w, "mnuAbout")->trigger(); // does nothing
        QCOMPARE(w.form().comPort, 7);
    }

    void portThatCannotOpen_isReportedWithTheReason() {
        qputenv("TVX_COM5", "/nonexistent/tvx-port");
        MainWindow w(Release::V17);
        Item(w, "mnuComPort5")->trigger();
        Item(w, "mnuConnectToTVX")->trigger();
        const QString status = w.statusText();
        QVERIFY2(status.contains("COM 5 (/nonexistent/tvx-port)"), qPrintable(status));
        QVERIFY2(status.contains("No such file or directory"), qPrintable(status));
        QVERIFY(w.statusBar()->isVisible() || !w.isVisible());
    }

    void keyWithFocusOnGridOrButton_reachesFormKeyDownOnce() {
        MainWindow w(Release::V17);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        Form3D& form = w.form();
        form.eyeX = -40; // the view Connect sets
        form.eyeY = 40;
        form.eyeZ = 60;
        QWidget* grid = w.findChild<QWidget*>("MSFlexGrid1");
        grid->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), grid);
        QTest::keyClick(grid, Qt::Key_Left, Qt::ControlModifier);
        // One azimuth step turns (-40, 40) to about (-47.03, 31.43); two would go further.
        QVERIFY2(std::fabs(form.eyeX + 47.03f) < 0.01f, qPrintable(QString::number(form.eyeX)));
        QVERIFY(std::fabs(form.eyeY - 31.43f) < 0.01f);

        QWidget* button = w.findChild<QWidget*>("btnRT");
        button->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), button);
        QTest::keyClick(button, Qt::Key_Equal);
        QCOMPARE(form.veTable[0], std::int16_t(1));
        QCOMPARE(w.findChild<QTableWidget*>("MSFlexGrid1")->item(1, 1)->text(), QString("1"));
        QCOMPARE(w.form().realTimeOn, 0); // the button did not take the key as a click
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
