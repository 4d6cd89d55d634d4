#include "support/Rig.h"

#include "app/Main.h"
#include "link/PortMap.h"
#include "link/SerialPort.h"
#include "link/portDetect.h"
#include "panel/Connection.h"
#include "ui_Main.h"

#include <QtTest>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kxtest;

Q_DECLARE_METATYPE(kx::PortError)

namespace {

// A pseudo-terminal pair; the slave end stands in for a serial device.
class PseudoTerminal {
public:
    PseudoTerminal() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0)
            slave_ = QString::fromLocal8Bit(::ptsname(master_));
    }
    ~PseudoTerminal() {
        if (master_ >= 0)
            ::close(master_);
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    QString slave() const { return slave_; }
    // Sends `bytes` to the slave end, as a device sends to its port.
    bool write(const QByteArray& bytes) {
        return ::write(master_, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }

private:
    int master_ = -1;
    QString slave_;
};

// The folder of comN links under `configDir`, created.
QString makeLinkFolder(const QString& configDir) {
    const QString folder = configDir + QStringLiteral("/kx-panel/ports");
    QDir().mkpath(folder);
    return folder;
}

int openDescriptors() {
    return int(QDir(QStringLiteral("/proc/self/fd"))
                   .entryList(QDir::NoDotAndDotDot | QDir::System)
                   .size());
}

// Sets an environment variable for a scope and puts back what was there.
class EnvOverride {
public:
    EnvOverride(const char* name, const QByteArray& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~EnvOverride() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }
    EnvOverride(const EnvOverride&) = delete;
    EnvOverride& operator=(const EnvOverride&) = delete;

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

} // namespace

class PortsTest : public QObject {
    Q_OBJECT
private slots:
    void defaultDevices_data();
    void defaultDevices();
    void linkWins();
    void configDirFromEnvironment();
    void probeOpensPseudoTerminal();
    void probeListsOnlySerialDevices_data();
    void probeListsOnlySerialDevices();
    void listHoldsProbedPorts();
    void listFromRealProbe();
    void rememberedPortChosen_data();
    void rememberedPortChosen();
};

void PortsTest::defaultDevices_data() {
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("device");
    const std::pair<int, const char*> rows[] = {
        {1, "/dev/ttyS0"},
        {2, "/dev/ttyS1"},
        {4, "/dev/ttyS3"},
        {5, "/dev/ttyUSB0"},
        {6, "/dev/ttyUSB1"},
        {12, "/dev/ttyUSB7"},
        {13, "/dev/ttyACM0"},
        {16, "/dev/ttyACM3"},
        {0, ""},
        {17, ""},
        {-1, ""},
    };
    for (const auto& [port, device] : rows)
        QTest::newRow(qPrintable(QString::number(port))) << port << device;
}

void PortsTest::defaultDevices() {
    QFETCH(int, port);
    QFETCH(QString, device);
    QTemporaryDir config;
    QCOMPARE(kx::PortMap(config.path()).device(port), device);
    QCOMPARE(kx::PortMap::defaultDevice(port), device);
}

void PortsTest::linkWins() {
    QTemporaryDir config;
    const QString folder = makeLinkFolder(config.path());
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), folder + QStringLiteral("/com5")));
    // A dangling link still names the port's device: no falling back to /dev/ttyS1.
    QVERIFY(QFile::link(config.path() + QStringLiteral("/gone"), folder + QStringLiteral("/com2")));
    // Beyond 16 nothing counts, link or not.
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), folder + QStringLiteral("/com17")));
    const kx::PortMap map(config.path());
    QCOMPARE(map.linkFolder(), folder);
    QCOMPARE(map.device(5), folder + QStringLiteral("/com5"));
    QCOMPARE(map.device(2), folder + QStringLiteral("/com2"));
    QCOMPARE(map.device(6), QStringLiteral("/dev/ttyUSB1"));
    QCOMPARE(map.device(17), QString());
    QCOMPARE(kx::PortMap::defaultDevice(5), QStringLiteral("/dev/ttyUSB0"));
}

void PortsTest::configDirFromEnvironment() {
    QTemporaryDir config;
    const QString folder = makeLinkFolder(config.path());
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), folder + QStringLiteral("/com1")));
    {
        EnvOverride xdg("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        const kx::PortMap map;
        QCOMPARE(map.linkFolder(), folder);
        QCOMPARE(map.device(1), folder + QStringLiteral("/com1"));
    }
    // Without $XDG_CONFIG_HOME: ~/.config.
    QTemporaryDir home;
    EnvOverride xdg("XDG_CONFIG_HOME", QByteArray());
    EnvOverride homeDir("HOME", home.path().toLocal8Bit());
    QCOMPARE(kx::PortMap().linkFolder(), home.path() + QStringLiteral("/.config/kx-panel/ports"));
    QCOMPARE(kx::PortMap().device(1), QStringLiteral("/dev/ttyS0"));
}

void PortsTest::probeOpensPseudoTerminal() {
    PseudoTerminal pty;
    QVERIFY(!pty.slave().isEmpty());
    QTemporaryDir config;
    const QString folder = makeLinkFolder(config.path());
    QVERIFY(QFile::link(pty.slave(), folder + QStringLiteral("/com3")));
    const int before = openDescriptors();
    QVERIFY(kx::canOpenDevice(pty.slave()));
    QVERIFY(kx::isPortAvailable(kx::PortMap(config.path()), 3));
    // The probe keeps nothing open.
    QCOMPARE(openDescriptors(), before);
}

// A port is listed (by the panel and by kx-ctl's `ports`) only when its device opens as
// Connect and `-p N` open it: a terminal. What opens but is none is refused by the
// serial port as not serial, and neither the probe nor a refused open keeps anything
// open.
void PortsTest::probeListsOnlySerialDevices_data() {
    QTest::addColumn<QString>("kind");   // "file", "fifo", "pty": made for the row
    QTest::addColumn<QString>("device"); // the device, for the other rows
    QTest::addColumn<bool>("listed");
    QTest::addColumn<kx::PortError>("openError");
    const auto row = [](const char* name, const char* kind, const char* device, bool listed,
                        kx::PortError openError) {
        QTest::newRow(name) << QString(kind) << QString(device) << listed << openError;
    };
    row("missing", "", "/dev/kx-panel-no-such-device", false, kx::PortError::Other);
    row("empty", "", "", false, kx::PortError::Other);
    row("directory", "", "/dev", false, kx::PortError::Other);
    row("/dev/null", "", "/dev/null", false, kx::PortError::NotSerial);
    row("regular file", "file", "", false, kx::PortError::NotSerial);
    row("FIFO", "fifo", "", false, kx::PortError::NotSerial);
    row("pseudo-terminal", "pty", "", true, kx::PortError::None);
}

void PortsTest::probeListsOnlySerialDevices() {
    QFETCH(QString, kind);
    QFETCH(QString, device);
    QFETCH(bool, listed);
    QFETCH(kx::PortError, openError);
    QTemporaryDir dir;
    PseudoTerminal pty;
    if (kind == QLatin1String("file")) {
        device = dir.filePath(QStringLiteral("ttyS9"));
        QFile file(device);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("KX25A\r");
    } else if (kind == QLatin1String("fifo")) {
        device = dir.filePath(QStringLiteral("ttyS9"));
        QCOMPARE(::mkfifo(QFile::encodeName(device).constData(), 0600), 0);
    } else if (kind == QLatin1String("pty")) {
        device = pty.slave();
        QVERIFY(!device.isEmpty());
        // Waiting before the port opens: no answer to anything asked on it.
        QVERIFY(pty.write("KX12A,old\r"));
    }
    kx::QtSerialPort port;
    const int before = openDescriptors();
    QCOMPARE(kx::canOpenDevice(device), listed);
    // The same through a comN link, as the list and `ports` find it.
    if (!device.isEmpty()) {
        const QString config = dir.filePath(QStringLiteral("config"));
        QVERIFY(QFile::link(device, makeLinkFolder(config) + QStringLiteral("/com3")));
        QCOMPARE(kx::isPortAvailable(kx::PortMap(config), 3), listed);
    }
    QCOMPARE(openDescriptors(), before);
    QCOMPARE(port.open(device), openError == kx::PortError::None);
    QCOMPARE(port.openError(), openError);
    if (port.isOpen()) {
        QSignalSpy arrived(&port, &kx::SerialPort::readyRead);
        QVERIFY(pty.write("KX25A\r"));
        QByteArray read;
        while (!read.contains('\r') && (!arrived.isEmpty() || arrived.wait(5000))) {
            arrived.clear();
            read += port.readAll();
        }
        QCOMPARE(read, QByteArray("KX25A\r"));
        port.close();
    }
    QCOMPARE(openDescriptors(), before);
}

void PortsTest::listHoldsProbedPorts() {
    // Numbers outside 1..16 are never listed, whatever the probe would say.
    Rig rig(QStringLiteral("KX25A"), {5, 3, 0, 17});
    QComboBox* list = rig.ui().comPort;
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->itemText(0), QStringLiteral("3"));
    QCOMPARE(list->itemText(1), QStringLiteral("5"));
    QCOMPARE(list->currentIndex(), 0);
    QCOMPARE(list->currentText(), QStringLiteral("3"));
    const kx::PortMap map(QStringLiteral("/nonexistent"));
    QVERIFY2(list->toolTip().contains(map.device(3)), qPrintable(list->toolTip()));
    QVERIFY2(list->toolTip().contains(map.device(5)), qPrintable(list->toolTip()));
    QVERIFY(!list->toolTip().contains(map.device(4)));
    QVERIFY(rig.takeBoxes().isEmpty());
}

void PortsTest::listFromRealProbe() {
    // The window's own probe finds a pseudo-terminal linked as com3, so the ports it
    // lists are the ones Connect can open.
    PseudoTerminal pty;
    QVERIFY(!pty.slave().isEmpty());
    QTemporaryDir config;
    const QString link = makeLinkFolder(config.path()) + QStringLiteral("/com3");
    QVERIFY(QFile::link(pty.slave(), link));
    auto clock = std::make_unique<FakeClock>();
    kx::Seams seams;
    seams.port = std::make_unique<FakeSerialPort>(*clock);
    seams.clock = std::move(clock);
    auto boxes = std::make_unique<MessageRecorder>();
    MessageRecorder* recorder = boxes.get();
    seams.boxes = std::move(boxes);
    seams.configDir = config.path();
    seams.quit = [] {};
    kx::Main window(std::move(seams));
    QComboBox* list = window.ui().comPort;
    QVERIFY(list->findText(QStringLiteral("3")) >= 0);
    QVERIFY(list->toolTip().contains(link));
    QVERIFY(recorder->boxes.isEmpty());
}

// The port Connect last opened is chosen at the next start when it is listed.
void PortsTest::rememberedPortChosen_data() {
    QTest::addColumn<QString>("connect"); // the port a first window connects to; empty: none
    QTest::addColumn<QByteArray>("kept"); // last-port as written beforehand; empty: none
    QTest::addColumn<QList<int>>("ports");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("connected, listed") << "3" << QByteArray() << QList<int>{2, 3, 7} << "3";
    QTest::newRow("connected, not listed") << "3" << QByteArray() << QList<int>{2, 7} << "2";
    QTest::newRow("none kept") << "" << QByteArray() << QList<int>{2, 3, 7} << "2";
    QTest::newRow("kept by hand") << "" << QByteArray("7\n") << QList<int>{2, 3, 7} << "7";
    QTest::newRow("not a port") << "" << QByteArray("17") << QList<int>{2, 3, 7} << "2";
}

void PortsTest::rememberedPortChosen() {
    QFETCH(QString, connect);
    QFETCH(QByteArray, kept);
    QFETCH(QList<int>, ports);
    QFETCH(QString, chosen);
    Rig first(QStringLiteral("KX25A"), {3});
    if (!connect.isEmpty()) {
        first.connectTo(connect);
        QVERIFY(first.port().isOpen());
    }
    if (!kept.isEmpty()) {
        QVERIFY(QDir().mkpath(first.configDir() + QStringLiteral("/kx-panel")));
        QFile file(first.configDir() + QStringLiteral("/kx-panel/last-port"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(kept) == kept.size());
    }
    auto clock = std::make_unique<FakeClock>();
    kx::Seams seams;
    seams.port = std::make_unique<FakeSerialPort>(*clock);
    seams.clock = std::move(clock);
    seams.boxes = std::make_unique<MessageRecorder>();
    seams.configDir = first.configDir();
    seams.probe = [&ports](int n) { return ports.contains(n); };
    seams.quit = [] {};
    kx::Main window(std::move(seams));
    QCOMPARE(window.ui().comPort->currentText(), chosen);
}

QTEST_MAIN(PortsTest)
#include "tst_ports.moc"
