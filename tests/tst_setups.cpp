// Set-ups opened in the window: checked whole before a line goes out, applied line by line
// with the progress shown and Cancel heeded, the outcome on the status line, and the
// File menu's list of the last set-ups.

#include "support/Rig.h"

#include "panel/Setups.h"
#include "ui_Main.h"

#include <QMenu>
#include <QtTest>

using namespace kxtest;

namespace {

QList<QByteArray> settingLines(const QList<QByteArray>& lines) {
    QList<QByteArray> out;
    for (const QByteArray& l : lines) {
        if (!l.endsWith('?'))
            out << l;
    }
    return out;
}

} // namespace

class SetupsTest : public QObject {
    Q_OBJECT
private slots:
    void open_data();
    void open();
    void recentSetups();
};

void SetupsTest::open_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("cancelAt");
    QTest::addColumn<QList<QByteArray>>("sent"); // the setting lines, queries left out
    QTest::addColumn<QStringList>("progress");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("box"); // empty: none
    const QByteArray three = "set waveform square\nset frequency 2kHz\nset amplitude 3\n";
    const QStringList threeSteps{"1/3 set waveform square", "2/3 set frequency 2kHz",
                                 "3/3 set amplitude 3"};
    QTest::newRow("applied") << "KX25A" << three << 0
                             << QList<QByteArray>{"FUNC SQU", "FREQ 2KHZ", "AMPL 3"} << threeSteps
                             << "Set-up f.kx applied: 3 lines" << QString();
    QTest::newRow("Cancel before the second line")
        << "KX25A" << three << 2 << QList<QByteArray>{"FUNC SQU"} << threeSteps.mid(0, 2)
        << "Set-up f.kx: stopped by Cancel before line 2 of 3" << QString();
    QTest::newRow("a set-up the KX12A cannot take")
        << "KX12A" << QByteArray("set frequency 20MHz\nset amplitude 3\n") << 0
        << QList<QByteArray>{} << QStringList{}
        << "Set-up f.kx not applied: the generator would refuse 1 of its lines"
        << "Set-up Not Applied | The KX12A would refuse these lines of f.kx, so none was sent:"
           "\n\n1: set frequency 20MHz: refused (5): Range error! The entered value is outside "
           "the frequency range of the generator.";
    QTest::newRow("refused as it goes, after a recall")
        << "KX25A" << QByteArray("recall 1\nset frequency 30MHz\n") << 0
        << QList<QByteArray>{"*RCL 1"} << QStringList{"1/2 recall 1", "2/2 set frequency 30MHz"}
        << "Set-up f.kx stopped at line 2 (set frequency 30MHz): refused (5): Range error! The "
           "entered value is outside the frequency range of the generator."
        << QString();
    QTest::newRow("after a recall, checked against what it brought back")
        << "KX25A" << QByteArray("set waveform square\nrecall 1\nset duty 30\n") << 0
        << QList<QByteArray>{"FUNC SQU", "*RCL 1"}
        << QStringList{"1/3 set waveform square", "2/3 recall 1", "3/3 set duty 30"}
        << "Set-up f.kx stopped at line 3 (set duty 30): refused (9): Input error! Duty cycle is "
           "for square and ramp waveforms only."
        << QString();
    QTest::newRow("not a run file")
        << "KX25A" << QByteArray("set frequency 2\n") << 0 << QList<QByteArray>{} << QStringList{}
        << "f.kx:1: frequency needs a unit: Hz, kHz, MHz" << QString();
}

void SetupsTest::open() {
    QFETCH(QString, model);
    QFETCH(QByteArray, file);
    QFETCH(int, cancelAt);
    QFETCH(QList<QByteArray>, sent);
    QFETCH(QStringList, progress);
    QFETCH(QString, message);
    QFETCH(QString, box);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.kx"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(file) == file.size());
    f.close();
    Rig rig(model);
    rig.answerFromGenerator();
    rig.connected();
    rig.setupFileName = path;
    rig.cancelAt = cancelAt;
    rig.main().setups().mnuOpenSetup_Click();
    QCOMPARE(settingLines(rig.takeLines()), sent);
    QCOMPARE(rig.progressShown, progress);
    QCOMPARE(rig.ui().message->text(), message);
    QStringList boxes;
    for (const MessageRecorder::Box& b : rig.takeBoxes())
        boxes << b.title + QStringLiteral(" | ") + b.text;
    QCOMPARE(boxes, box.isEmpty() ? QStringList{} : QStringList{box});
    rig.checkNothingRejected();
}

// The File menu lists the last four set-ups opened or saved, the latest first, and one
// of them opens again from there.
void SetupsTest::recentSetups() {
    QTemporaryDir dir;
    Rig rig;
    rig.answerFromGenerator();
    rig.connected();
    const auto recentItems = [&] {
        QStringList texts;
        for (QAction* a : rig.ui().mnuFile->actions()) {
            if (a->objectName().startsWith(QLatin1String("mnuRecentSetup")))
                texts << a->text();
        }
        return texts;
    };
    QVERIFY(recentItems().isEmpty());
    for (const char* name : {"a.kx", "b.kx", "c.kx", "d.kx", "e.kx", "c.kx"}) {
        rig.setupFileName = dir.filePath(QLatin1String(name));
        rig.main().setups().mnuSaveSetup_Click();
    }
    QCOMPARE(recentItems(), (QStringList{"&1 c.kx", "&2 e.kx", "&3 d.kx", "&4 b.kx"}));
    rig.takeLines();
    for (QAction* a : rig.ui().mnuFile->actions()) {
        if (a->text() == QLatin1String("&3 d.kx"))
            a->trigger();
    }
    QCOMPARE(rig.ui().message->text(), QStringLiteral("Set-up d.kx applied: 6 lines"));
    QCOMPARE(recentItems(), (QStringList{"&1 d.kx", "&2 c.kx", "&3 e.kx", "&4 b.kx"}));
}

QTEST_MAIN(SetupsTest)
#include "tst_setups.moc"
