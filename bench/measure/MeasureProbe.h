// Drives the window without a user and times it from the application's event delivery, around
// the window's own wiring: nothing in the window is replaced or told it is being watched.
#pragma once

#include <QApplication>
#include <QPointer>
#include <QString>

class MainWindow;
class Probe;

struct ProbeOptions {
    QString statsPath; // where what was measured goes on exit, as JSON; empty: standard output
    int comPort = 0;   // choose COM N and Connect at start-up, then RealTime once the table is in
    int keyMs = 0;     // from RealTime on, step the selected value ("=") every keyMs
    int sampleMs = 0;  // from RealTime on, note the six readouts every sampleMs
};

// Every event passes through notify(), so the probe can time the deliveries it cares about.
class MeasuredApplication : public QApplication {
public:
    MeasuredApplication(int& argc, char** argv) : QApplication(argc, argv) {}

    // Call before the window is shown, so its first paint is seen.
    void measure(MainWindow& window, const ProbeOptions& options);

    bool notify(QObject* receiver, QEvent* event) override;

private:
    QPointer<Probe> probe_; // goes with the window
    int depth_ = 0;         // deliveries under way, one inside the other
};
