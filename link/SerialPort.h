#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSerialPort;

namespace kx {

// Why an open failed, in the terms the connect operation reports.
enum class PortError {
    None,
    Busy,         // held by another program
    NoPermission, // this user may not open the device
    Rejected,     // the device refused a line setting
    NotSerial,    // the device opens but is no serial port: a file, /dev/null, a FIFO
    NotOpen,      // an operation that needs an open port
    Other,        // missing device and everything else
};

// The one serial line to the generator. The real one is QSerialPort; tests put a
// simulated instrument behind this interface.
class SerialPort : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Opens the device at 115200 baud, no parity, 8 data bits, 1 stop bit, no flow
    // control, with DTR and RTS asserted. What the device received before it was
    // opened is discarded: it answers nothing asked on this connection.
    virtual bool open(const QString& device) = 0;
    virtual PortError openError() const = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual bool write(const QByteArray& data) = 0;
    // Everything received since the last read; never waits.
    virtual QByteArray readAll() = 0;

signals:
    void readyRead();
    // A read, write or resource error on the open port: the line is gone.
    void failed();
};

// How a refused open reads to the operator: QSerialPort gives the same error for a port
// that another program holds and for one this user may not open; `mayOpen` (read and
// write access to the device) tells them apart.
PortError openFailure(int serialPortError, bool mayOpen);

// QSerialPort behind the interface.
class QtSerialPort final : public SerialPort {
    Q_OBJECT
public:
    explicit QtSerialPort(QObject* parent = nullptr);

    bool open(const QString& device) override;
    PortError openError() const override { return openError_; }
    void close() override;
    bool isOpen() const override;
    bool write(const QByteArray& data) override;
    QByteArray readAll() override;

private:
    void onError(int error);

    QSerialPort* port_;
    PortError openError_ = PortError::None;
};

} // namespace kx
