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

    // One operation (its lines and its pauses) begins and ends: a port shared with other
    // programs lets none of their lines in between. begin waits for the turn, letting
    // events through, with no time-out; close() or a lost line ends the wait early. An
    // operation begun before open() waits there. A port of its own needs neither.
    // Operations nest: the outermost begin and end count.
    virtual void beginOperation() {}
    virtual void endOperation() {}

signals:
    void readyRead();
    // A read, write or resource error on the open port: the line is gone.
    void failed();
    // A wait for the turn begins (true) or ends (false).
    void waitingTurn(bool on);
    // Another program sharing the port sent `line`, and the generator answered `answer`
    // (empty for a setting or a query left unanswered). `client` says who it was.
    void othersTraffic(const QString& client, const QString& line, const QString& answer);
};

// Holds one operation of `port` for its own lifetime.
class HeldOperation {
public:
    explicit HeldOperation(SerialPort& port) : port_(port) { port_.beginOperation(); }
    ~HeldOperation() { port_.endOperation(); }
    HeldOperation(const HeldOperation&) = delete;
    HeldOperation& operator=(const HeldOperation&) = delete;

private:
    SerialPort& port_;
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
