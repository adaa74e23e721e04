#include "link/qt/PresentPorts.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace {

// /dev/serial/by-id names each USB adapter after its maker, model and serial number.
QString ByIdName(const QString& devicePath) {
    const QDir byId("/dev/serial/by-id");
    for (const QFileInfo& link : byId.entryInfoList(QDir::System | QDir::Files)) {
        if (link.canonicalFilePath() == QFileInfo(devicePath).canonicalFilePath()) {
            return link.fileName();
        }
    }
    return {};
}

} // namespace

std::vector<PortRecord> PresentPorts() {
    std::vector<PortRecord> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        ports.push_back({info.systemLocation().toStdString(), info.description().toStdString(),
                         info.manufacturer().toStdString(),
                         ByIdName(info.systemLocation()).toStdString()});
    }
    return ports;
}

std::optional<PortRecord> ComPortNow(int port, const std::vector<PortRecord>& present) {
    const QByteArray override = qgetenv(("TVX_COM" + std::to_string(port)).c_str());
    return ResolveComPort(port, present, override.toStdString());
}
