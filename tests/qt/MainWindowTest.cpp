// The main window: controls where the design puts them, the menu tree, keys, the canvas beneath.
#include "app/qt/MainWindow.h"
#include "app/qt/LinkHealthField.h"
#include "datalog/qt/RecordField.h"
#include "surface/qt/CanvasWidget.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <cmath>

namespace {

struct Placement {
    const char* name;
    int left, top, width, height; // twips
};

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

// Menus and their items, items indented; each item must be a plain one.
QStringList MenuTree(const QMenuBar* bar) {
    QStringList tree;
    for (QAction* menu : bar->actions()) {
        tree << menu->text();
        for (QAction* item : menu->menu()->actions()) {
            const bool plain = !item->isCheckable() && !item->isSeparator() && item->isEnabled() &&
                               item->shortcut().isEmpty();
            tree << (plain ? "  " : "  (not plain) ") + item->text();
        }
    }
    return tree;
}

QStringList ExpectedTree(Release release) {
    QStringList tree{"&File", "  &Connect to TVX", "  &Load VE from file", "  &Save VE to file",
                     "&COM"};
    for (int n = 1; n <= 20; ++n) {
        tree << QString("  &Com Port %1").arg(n);
    }
    tree << "&Intake Type"
         << "  &Single Intake"
         << "  &Dual Intake";
    if (release == Release::V17) {
        tree << "  &3KGT KV ";
    }
    return tree + QStringList{"&Sensors",
                              "  &MAF Transfer Function",
                              "  &Temp Sensor Transfer Function",
                              "  &MAP Transfer Function",
                              "&Ignition",
                              "  &Configuration",
                              "&Firmware",
                              "  &Update Firmware",
                              "&Help",
                              "  &About"};
}

// The view Connect sets, without a port.
void DrawDefaultView(Form3D& form) {
    form.eyeX = -40;
    form.eyeY = 40;
    form.eyeZ = 60;
    form.BuildSurface();
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void controlsMenusAndCaption_areExactlyTheDesigns() {
        for (Release release : {Release::V17, Release::V12}) {
            MainWindow w(release);
            QCOMPARE(w.windowTitle(),
                     QString(release == Release::V17 ? "Torvex v1.7" : "Torvex v1.2"));
            QCOMPARE(MenuTree(w.menuBar()), ExpectedTree(release));
            QCOMPARE(w.centralWidget()->size(), QSize(950, 751));
            for (const Placement& c : kControls) {
                QWidget* control = w.centralWidget()->findChild<QWidget*>(c.name);
                QVERIFY2(control, c.name);
                QCOMPARE(control->geometry(),
                         QRect(c.left / 15, c.top / 15, c.width / 15, c.height / 15));
            }
            auto* rtState = w.findChild<QLineEdit*>("txt_RTState");
            QCOMPARE(rtState->text(), QString("RT OFF"));
            QCOMPARE(rtState->palette().color(QPalette::Text), QColor(255, 0, 0));
        }
    }

    void portThatCannotOpen_isReportedWithTheReason() {
        qputenv("TVX_COM5", "/nonexistent/tvx-port");
        MainWindow w(Release::V17);
        w.findChild<QAction*>("mnuConnectToTVX")->trigger();
        QCOMPARE(w.statusText(),
                 QString("Could not open COM 0: no COM port chosen; pick one in the COM menu"));
        emit w.findChild<QMenu*>("mnuCom")->aboutToShow();
        QAction* com5 = w.findChild<QAction*>("mnuComPort5");
        QCOMPARE(com5->statusTip(), QString("COM 5: /nonexistent/tvx-port"));
        QCOMPARE(com5->text(), QString("&Com Port 5"));
        com5->trigger();
        w.findChild<QAction*>("mnuConnectToTVX")->trigger();
        QCOMPARE(w.statusText(), QString("Could not open COM 5 (/nonexistent/tvx-port): no device "
                                         "at /nonexistent/tvx-port"));
    }

    void keyWithFocusOnGridOrButton_reachesFormKeyDownOnce() {
        MainWindow w(Release::V17);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        Form3D& form = w.form();
        DrawDefaultView(form);
        QWidget* grid = w.findChild<QWidget*>("MSFlexGrid1");
        grid->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), grid);
        QTest::keyClick(grid, Qt::Key_Left, Qt::ControlModifier);
        // One azimuth step turns (-40, 40) to about (-47.03, 31.43); two would go further.
        QVERIFY2(std::fabs(form.eyeX + 47.03f) < 0.01f, qPrintable(QString::number(form.eyeX)));

        QWidget* button = w.findChild<QWidget*>("btnRT");
        button->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), button);
        QTest::keyClick(button, Qt::Key_Equal);
        QCOMPARE(w.findChild<QTableWidget*>("MSFlexGrid1")->item(1, 1)->text(), QString("1"));
        QCOMPARE(form.realTimeOn, 0); // the button did not take the key as a click
    }

    void readouts_showTheLastTextAtTheNextFrame() {
        MainWindow w(Release::V17);
        w.boxes().setText(TextBox::Rpm, "800 RPM");
        w.boxes().setText(TextBox::Rpm, "900 RPM");
        QCOMPARE(w.boxText(TextBox::Rpm), QString("RPM")); // nothing painted between frames
        QTRY_COMPARE(w.boxText(TextBox::Rpm), QString("900 RPM"));
    }

    void linkHealth_sitsRightInTheStatusBarAndRefreshesAtMostTwiceASecond() {
        MainWindow w(Release::V17);
        QCOMPARE(w.findChild<QLabel*>("linkHealth")->focusPolicy(), Qt::NoFocus);
        int asked = 0;
        LinkHealthField field([&asked] { return LinkHealth{360ull * ++asked, 0, 2, 0}; });
        QCOMPARE(field.text(), QString()); // until live data flows
        QTest::qWait(1200);
        QVERIFY2(asked >= 1 && asked <= 2, qPrintable(QString::number(asked)));
        QVERIFY2(field.text().endsWith(" rec/s · 2 rejected"), qPrintable(field.text()));
    }

    void recordToggle_writesToDocumentsAndTurnsItselfOffWhenTheFileFails() {
        QTemporaryDir home;
        qputenv("HOME", home.path().toUtf8());
        qunsetenv("XDG_CONFIG_HOME");
        const QDir logs(home.path() + "/Documents/Torvex logs");
        QString second;
        {
            MainWindow w(Release::V17);
            auto* toggle = w.findChild<QToolButton*>("record");
            QCOMPARE(toggle->focusPolicy(), Qt::NoFocus);
            toggle->click();
            QCOMPARE(logs.entryList({"*.msl"}, QDir::Files).size(), 1);
            w.recordField().recorder().add(LoggedRecord{});
            QTRY_COMPARE(w.findChild<QLabel*>("recording")->text(),
                         logs.entryList({"*.msl"})[0] + ": 1 records");
            toggle->click();
            QVERIFY(w.statusText().startsWith("Recording stopped: 1 records in "));
            toggle->click(); // a second recording, perhaps in the same second: a file of its own
            w.recordField().recorder().add(LoggedRecord{});
            QCOMPARE(logs.entryList({"*.msl"}).size(), 2);
            second = QString::fromStdString(w.recordField().recorder().path());
        } // closing the window writes what was waiting
        QFile last(second);
        QVERIFY(last.open(QIODevice::ReadOnly));
        QCOMPARE(last.readAll().count('\n'), 5); // four header lines and the row

        MainWindow w(Release::V17);
        auto* toggle = w.findChild<QToolButton*>("record");
        w.recordField().recordFromFirstRecord("/nonexistent/drive.msl", false);
        QTRY_VERIFY(toggle->isChecked());
        w.recordField().recorder().add(LoggedRecord{});
        QTRY_VERIFY(!toggle->isChecked());
        QVERIFY(w.statusText().startsWith("Not recording: cannot create /nonexistent/drive.msl"));
    }

    void viewButton_saysWhenNoDriveWasRecorded() {
        MainWindow w(Release::V17);
        auto* view = w.findChild<QToolButton*>("viewButton");
        QCOMPARE(view->focusPolicy(), Qt::NoFocus);
        view->click();
        QCOMPARE(w.statusText(),
                 QString("Nothing to view: no drive was recorded yet (Record, at the right)"));
    }

    void canvas_showsBeneathTheControls() {
        MainWindow w(Release::V17);
        DrawDefaultView(w.form());
        const QImage shot = w.centralWidget()->grab().toImage();
        // The RPM axis end lies in the open; where a caption covers an axis end, the caption shows.
        QCOMPARE(shot.pixel(w.canvas().toPixel(14.14f, -10.29f)) & 0xFFFFFF, QRgb(0xFF0000));
        QVERIFY((shot.pixel(w.canvas().toPixel(14.14f, 10.29f)) & 0xFFFFFF) != 0xFF0000);
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
