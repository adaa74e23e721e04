// The serial adapter on a real pseudo-terminal: settings, open, transmit, receive, unplug.
#include "link/qt/QtSerialPort.h"

#include <QTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

// The device's end of a pseudo-terminal whose serial end TVX_COM9 names.
struct Pty {
    Pty() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(master);
        unlockpt(master);
        path = ptsname(master);
        qputenv("TVX_COM9", path);
    }
    ~Pty() { closeMaster(); }
    void closeMaster() {
        if (master >= 0) {
            ::close(master);
            master = -1;
        }
    }
    QByteArray readAvailable() {
        QByteArray all;
        char buffer[256];
        fcntl(master, F_SETFL, O_NONBLOCK);
        for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;) {
            all.append(buffer, n);
        }
        return all;
    }
    int master = -1;
    QByteArray path;
};

} // namespace

class SerialPortTest : public QObject {
    Q_OBJECT

private slots:
    void openPort_transmitsAsGivenAndRaisesReceiveForArrivals() {
        Pty pty;
        QtSerialPort port;
        int events = 0;
        port.setReceiveHandler([&] { ++events; });
        port.setPortNumber(9);
        port.setSettings("115200,N,8,1");
        port.setReceiveThreshold(1);
        QVERIFY2(port.setPortOpen(true), port.errorText().c_str());
        QVERIFY(port.transmit("<201>"));
        QVERIFY(port.transmit("<121>"));
        QByteArray sent;
        QTRY_COMPARE((sent += pty.readAvailable()), QByteArray("<201><121>"));

        QCOMPARE(::write(pty.master, "1,2,3", 5), ssize_t(5));
        QTRY_VERIFY(events > 0);
        std::string received = port.receiveAll();
        QTRY_VERIFY((received += port.receiveAll()) == "1,2,3");
        QCOMPARE(port.receiveAll(), std::string()); // nothing twice
    }

    void deviceGone_closesThePortAndTellsItsHandler() {
        Pty pty;
        QtSerialPort port;
        std::string lost;
        port.setLostHandler([&](const std::string& what) { lost = what; });
        port.setPortNumber(9);
        port.setReceiveThreshold(1);
        QVERIFY(port.setPortOpen(true));
        pty.closeMaster();
        QTRY_VERIFY(!port.isOpen());
        QVERIFY2(QString::fromStdString(lost).startsWith("COM 9 (" + pty.path + "): "),
                 lost.c_str());
        QVERIFY(!port.transmit("<255>"));
        port.setPortNumber(0);
        QVERIFY(!port.setPortOpen(true));
        QVERIFY(QString::fromStdString(port.errorText()).contains("COM menu"));
    }
};

QTEST_MAIN(SerialPortTest)
#include "SerialPortTest.moc"
