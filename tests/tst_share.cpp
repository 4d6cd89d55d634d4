// The port shared through kx-server, without a server: the local protocol's framing,
// where the socket lives, and that a port no server holds opens as it always did.

#include "share/Frame.h"
#include "share/Places.h"
#include "share/SharedPort.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace frame = kx::frame;

class ShareTest : public QObject {
    Q_OBJECT
private slots:
    void encode_data();
    void encode();
    void overlong();
    void socketName_data();
    void socketName();
    void runtimeFolder_data();
    void runtimeFolder();
    void withoutServer_data();
    void withoutServer();
};

void ShareTest::encode_data() {
    QTest::addColumn<QByteArray>("word");
    QTest::addColumn<QByteArrayList>("fields");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("no field") << QByteArray("END") << QByteArrayList{} << QByteArray("END\n");
    QTest::newRow("a line and its CR") << QByteArray("WRITE") << QByteArrayList{"FREQ 2.5KHZ\r"}
                                       << QByteArray("WRITE FREQ%202.5KHZ%0D\n");
    QTest::newRow("an empty field")
        << QByteArray("HOLDER") << QByteArrayList{""} << QByteArray("HOLDER \n");
    QTest::newRow("three fields, LF and parentheses")
        << QByteArray("TRAFFIC") << QByteArrayList{"kx-ctl (pid 7)", "FREQ?", "1.0E+3\r\n"}
        << QByteArray("TRAFFIC kx-ctl%20%28pid%207%29 FREQ%3F 1.0E%2B3%0D%0A\n");
    QTest::newRow("every byte value")
        << QByteArray("READ") << QByteArrayList{QByteArray("\x00\x7f\xff%", 4)}
        << QByteArray("READ %00%7F%FF%25\n");
}

// What goes out is read back as it was, whole or a byte at a time.
void ShareTest::encode() {
    QFETCH(QByteArray, word);
    QFETCH(QByteArrayList, fields);
    QFETCH(QByteArray, line);
    QCOMPARE(frame::encode(word, fields), line);
    frame::Reader reader;
    for (const char c : line + line) {
        reader.feed(QByteArray(1, c));
        if (const std::optional<frame::Message> m = reader.next()) {
            QCOMPARE(m->word, word);
            QCOMPARE(m->fields, fields);
        }
    }
    QVERIFY(!reader.next());
    QVERIFY(!reader.failed());
}

void ShareTest::overlong() {
    frame::Reader reader;
    reader.feed(QByteArray(frame::longest, 'x'));
    QVERIFY(!reader.next());
    QVERIFY(reader.failed());
    reader.feed("END\n");
    QVERIFY(!reader.next());
}

void ShareTest::socketName_data() {
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("name");
    QTest::newRow("a pseudo-terminal") << "/dev/pts/3"
                                       << "dev_pts_3";
    QTest::newRow("a USB adapter") << "/dev/ttyUSB0"
                                   << "dev_ttyUSB0";
    QTest::newRow("its own underscore") << "/dev/a_b"
                                        << "dev_a%5Fb";
    QTest::newRow("not the same as a folder") << "/dev/a/b"
                                              << "dev_a_b";
    QTest::newRow("a blank and a colon") << "/dev/x y:1"
                                         << "dev_x%20y%3A1";
}

void ShareTest::socketName() {
    QFETCH(QString, device);
    QFETCH(QString, name);
    QCOMPARE(kx::socketName(device), name);
}

// The runtime folder is this user's alone, or none is used.
void ShareTest::runtimeFolder_data() {
    QTest::addColumn<QString>("existing"); // what is there before: "", "0700", "0755", "link"
    QTest::addColumn<bool>("usable");
    QTest::newRow("made") << "" << true;
    QTest::newRow("there already") << "0700" << true;
    QTest::newRow("others may enter") << "0755" << false;
    QTest::newRow("a link to a folder") << "link" << false;
}

void ShareTest::runtimeFolder() {
    QFETCH(QString, existing);
    QFETCH(bool, usable);
    QTemporaryDir base;
    const QString folder = base.filePath(QStringLiteral("kx-panel"));
    if (existing == QLatin1String("link")) {
        QVERIFY(QDir(base.path()).mkdir(QStringLiteral("elsewhere")));
        QVERIFY(QFile::link(base.filePath(QStringLiteral("elsewhere")), folder));
    } else if (!existing.isEmpty()) {
        QVERIFY(QDir(base.path()).mkdir(QStringLiteral("kx-panel")));
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), existing.toUInt(nullptr, 8)), 0);
    }
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", base.path().toLocal8Bit());
    QString why;
    const QString found = kx::runtimeFolder(&why);
    const QString socket = kx::socketPath(QStringLiteral("/dev/kx-none"));
    qputenv("XDG_RUNTIME_DIR", saved);
    QCOMPARE(found, usable ? folder : QString());
    QCOMPARE(why.isEmpty(), usable);
    QCOMPARE(socket, usable ? folder + QStringLiteral("/dev_kx-none") : QString());
    if (usable) {
        struct stat st = {};
        QCOMPARE(::stat(QFile::encodeName(folder).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0700u);
    }
}

// No server holds the device (none there, or only the socket file one left): the port
// opens it itself and fails as QtSerialPort does.
void ShareTest::withoutServer_data() {
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("staleSocket");
    QTest::addColumn<kx::PortError>("error");
    QTest::newRow("no such device") << "/dev/kx-none" << false << kx::PortError::Other;
    QTest::newRow("not a serial port") << "/dev/null" << false << kx::PortError::NotSerial;
    QTest::newRow("a stale socket file") << "/dev/null" << true << kx::PortError::NotSerial;
}

void ShareTest::withoutServer() {
    QFETCH(QString, device);
    QFETCH(bool, staleSocket);
    QFETCH(kx::PortError, error);
    QTemporaryDir base;
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", base.path().toLocal8Bit());
    if (staleSocket) {
        QFile stale(kx::socketPath(device));
        QVERIFY(stale.open(QIODevice::WriteOnly));
    }
    kx::SharedPort port(QStringLiteral("test"));
    kx::QtSerialPort direct;
    const bool opened = port.open(device);
    qputenv("XDG_RUNTIME_DIR", saved);
    QVERIFY(!opened);
    QVERIFY(!port.throughServer());
    QCOMPARE(port.openError(), error);
    QVERIFY(!direct.open(device));
    QCOMPARE(port.openError(), direct.openError());
    // An operation without a server waits for nothing.
    port.beginOperation();
    port.endOperation();
    QVERIFY(!port.isOpen());
}

QTEST_GUILESS_MAIN(ShareTest)
#include "tst_share.moc"
