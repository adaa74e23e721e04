// Form3D as a Qt main window: the controls at their design positions, the menu bar, the
// status bar, and every event handed to the core.
#pragma once

#include "app/Form3D.h"
#include "app/qt/FormTableHost.h"
#include "table/qt/DocumentsArchive.h"

#include <QMainWindow>

#include <map>
#include <memory>

class CanvasWidget;
class FramePacer;
class KeyPreview;
class MarkerWidget;
class QLabel;
class QLineEdit;
class QtFileDialogs;
class QtGrid;
class QtLinkTimer;
class QtSerialPort;
class LiveLogs;
class TuningThread;
class QtLogClock;
class RecordField;
class TuneField;
class TuningWindow;
class TableWindow;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(Release release, QWidget* parent = nullptr);
    ~MainWindow() override;

    Form3D& form() { return *form_; }
    CanvasWidget& canvas() { return *canvas_; }
    QtGrid& grid() { return *grid_; }
    MarkerWidget& marker() { return *marker_; }
    TextBoxes& boxes();
    QtSerialPort& serial() { return *serial_; }
    QString statusText() const;
    QString boxText(TextBox box) const;
    RecordField& recordField() { return *recordField_; }
    TuningThread& tuning() { return *tuning_; }
    TuneField& tuneField() { return *tuneField_; }
    // Made when first asked for, by the Tune field's button or a test.
    TuningWindow& tuningWindow();
    TableWindow& tableWindow();
    const QtSerialPort& serialPort() const { return *serial_; }

private:
    class Boxes;
    class Status;

    void buildControls();
    void buildMenus(Release release);
    // The View button: the drive being recorded, or the last, in tvxview.
    void openInViewer();

    std::unique_ptr<FramePacer> pacer_;
    CanvasWidget* canvas_ = nullptr;
    MarkerWidget* marker_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    std::map<TextBox, QLineEdit*> boxWidgets_;
    std::unique_ptr<QtGrid> grid_;
    std::unique_ptr<Boxes> boxes_;
    std::unique_ptr<Status> status_;
    std::unique_ptr<QtSerialPort> serial_;
    std::unique_ptr<QtFileDialogs> dialogs_;
    std::unique_ptr<QtLinkTimer> timer_;
    DocumentsArchive archive_;
    std::unique_ptr<Form3D> form_;
    std::unique_ptr<FormTableHost> tableHost_;
    KeyPreview* keyPreview_ = nullptr;
    RecordField* recordField_ = nullptr;
    std::unique_ptr<QtLogClock> tuneClock_;
    std::unique_ptr<TuningThread> tuning_;
    std::unique_ptr<LiveLogs> logs_;
    TuneField* tuneField_ = nullptr;
    TuningWindow* tuningWindow_ = nullptr;
    TableWindow* tableWindow_ = nullptr;
};
