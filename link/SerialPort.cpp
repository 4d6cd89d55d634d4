#include "link/SerialPort.h"

#include "link/portDetect.h"

#include <QFile>
#include <QFileInfo>

#include <unistd.h>

#include <QSerialPort>

namespace kx {

QtSerialPort::QtSerialPort(QObject* parent) : SerialPort(parent), port_(new QSerialPort(this)) {
    connect(port_, &QSerialPort::readyRead, this, &SerialPort::readyRead);
    connect(port_, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError e) { onError(e); });
}

PortError openFailure(int serialPortError, bool mayOpen) {
    switch (static_cast<QSerialPort::SerialPortError>(serialPortError)) {
    case QSerialPort::NoError:
        return PortError::None;
    case QSerialPort::PermissionError:
        return mayOpen ? PortError::Busy : PortError::NoPermission;
    case QSerialPort::UnsupportedOperationError:
        return PortError::Rejected;
    case QSerialPort::NotOpenError:
        return PortError::NotOpen;
    default:
        return PortError::Other;
    }
}

bool QtSerialPort::open(const QString& device) {
    openError_ = PortError::None;
    // The device itself, not a comN link to it: the lock file other programs look
    // for is named after the device.
    const QString canonical = QFileInfo(device).canonicalFilePath();
    const QString target = canonical.isEmpty() ? device : canonical;
    port_->setPortName(target);
    // Line settings first: QSerialPort applies them as it opens.
    port_->setBaudRate(QSerialPort::Baud115200);
    port_->setDataBits(QSerialPort::Data8);
    port_->setParity(QSerialPort::NoParity);
    port_->setStopBits(QSerialPort::OneStop);
    port_->setFlowControl(QSerialPort::NoFlowControl);
    if (!port_->open(QIODevice::ReadWrite)) {
        const bool mayOpen = ::access(QFile::encodeName(target).constData(), R_OK | W_OK) == 0;
        openError_ = openFailure(port_->error(), mayOpen);
        port_->clearError();
        // QSerialPort cannot read the line settings of what is no terminal, and calls
        // that an unsupported operation; the operator is better told what it is.
        if (probeDevice(target) == DeviceProbe::NotTerminal)
            openError_ = PortError::NotSerial;
        return false;
    }
    // A pseudo-terminal has no modem lines: setting DTR and RTS fails there with an
    // unsupported operation, which is no reason to refuse the port.
    port_->setDataTerminalReady(true);
    port_->setRequestToSend(true);
    // Whatever came in before (the end of an answer to an earlier program, line noise)
    // would otherwise be read as the first query's answer: the driver's input queue and
    // QSerialPort's buffer are emptied.
    port_->clear(QSerialPort::Input);
    port_->clearError();
    return true;
}

void QtSerialPort::close() {
    if (port_->isOpen())
        port_->close();
    port_->clearError();
}

bool QtSerialPort::isOpen() const { return port_->isOpen(); }

bool QtSerialPort::write(const QByteArray& data) {
    if (!port_->isOpen() || port_->write(data) != data.size())
        return false;
    // Hand the bytes to the driver now; the exchange waits in its own loop.
    port_->flush();
    return port_->isOpen();
}

QByteArray QtSerialPort::readAll() { return port_->isOpen() ? port_->readAll() : QByteArray(); }

void QtSerialPort::onError(int error) {
    const auto e = static_cast<QSerialPort::SerialPortError>(error);
    // Qt 6.4 keeps reporting a read error, at full CPU, once the far end of a
    // pseudo-terminal or a USB adapter has gone, while the port still counts as open.
    // The first read, write or resource error on an open port is a lost line.
    if (port_->isOpen() && (e == QSerialPort::ReadError || e == QSerialPort::WriteError ||
                            e == QSerialPort::ResourceError)) {
        port_->close();
        port_->clearError();
        emit failed();
    }
}

} // namespace kx
