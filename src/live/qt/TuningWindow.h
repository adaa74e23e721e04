// "Tuning": a separate window the Tune field opens. The map of what each cell wants, four views
// of it, Apply, Lock, Unlock, Reset and Save report..., and the settings, kept between runs. It
// never takes the focus from the main window by showing itself.
#pragma once

#include "live/qt/TuneMapWidget.h"
#include "live/qt/TuningThread.h"
#include "table/TableHost.h"

#include <QTimer>
#include <QWidget>

#include <map>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TuningWindow : public QWidget {
public:
    TuningWindow(TuningThread& tuning, TableHost& host, StatusLine& status,
                 QWidget* parent = nullptr);

    TuneMapWidget& map() { return *map_; }
    QPushButton* button(const QString& name) const;
    QLineEdit* field(const QString& name) const;
    QString message() const;

    // Takes a setting as typed and keeps it for the next run; false, with the reason shown, when
    // it does not read.
    bool takeSetting(const QString& name, const QString& text);
    void saveReport(const QString& path);

private:
    void refresh();
    void showSettings();
    void lockSelection(bool locked);
    void keep();

    TuningThread& tuning_;
    TableHost& host_;
    StatusLine& status_;
    TuneMapWidget* map_;
    QComboBox* view_;
    QLabel* summary_;
    QLabel* message_;
    std::map<QString, QLineEdit*> fields_;
    std::map<QString, QPushButton*> buttons_;
    QTimer engine_; // follows the engine's cell
};
