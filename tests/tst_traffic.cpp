// The traffic record and View > Traffic...: every line sent and everything received,
// with the time since the port was opened, the invisible made visible and each query
// that got no answer marked; a line where each session on the port begins and ends;
// Copy and Save As... as plain text.

#include "support/Files.h"
#include "support/Rig.h"
#include "support/Texts.h"

#include "app/TrafficView.h"
#include "link/Traffic.h"
#include "ui_Main.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

using namespace kxtest;
using Entry = kx::Traffic::Entry;

class TrafficTest : public QObject {
    Q_OBJECT
private slots:
    void visible_data();
    void visible();
    void receivedTextMakesLines_data();
    void receivedTextMakesLines();
    void keepsTheNewestEntries();
    void connectShowsItsExchanges();
    void sessionsStandApart_data();
    void sessionsStandApart();
    void unansweredQueryIsMarked();
    void viewKeepsSelectionAndPlace_data();
    void viewKeepsSelectionAndPlace();
    void copyAndSaveAs();
    void openingItChangesNothingOnTheLine();
};

void TrafficTest::visible_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::newRow("a line") << QByteArray("FREQ?\r") << "FREQ?<CR>";
    QTest::newRow("CR LF") << QByteArray("1.00000E+3\r\n") << "1.00000E+3<CR><LF>";
    QTest::newRow("tab, NUL, escape, DEL")
        << QByteArray("a\tb\0c\x1b\x7f", 7) << "a<0x09>b<0x00>c<0x1b><0x7f>";
    QTest::newRow("beyond ASCII") << QByteArray("5\xa0\xff") << "5<0xa0><0xff>";
}

void TrafficTest::visible() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    QCOMPARE(kx::Traffic::visible(bytes), shown);
}

// Text as it comes off the line, in pieces: an entry a line, a CR LF kept together.
void TrafficTest::receivedTextMakesLines_data() {
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QList<QByteArray>>("entries");
    QTest::newRow("one piece") << QList<QByteArray>{"SIN\r"} << QList<QByteArray>{"SIN\r"};
    QTest::newRow("in pieces") << QList<QByteArray>{"1.000", "00E+3", "\r"}
                               << QList<QByteArray>{"1.00000E+3\r"};
    QTest::newRow("LF after its CR")
        << QList<QByteArray>{"SIN\r", "\n"} << QList<QByteArray>{"SIN\r\n"};
    QTest::newRow("two lines at once")
        << QList<QByteArray>{"FREQ?\r1.0E+3\r\n"} << QList<QByteArray>{"FREQ?\r", "1.0E+3\r\n"};
    QTest::newRow("no line end yet")
        << QList<QByteArray>{"1.0", "E+3"} << QList<QByteArray>{"1.0E+3"};
    // Text that never ends its line (noise, a wrong baud rate) goes on in a new entry
    // once one is full, so no entry grows without bound; a CR LF stays whole.
    const qsizetype longest = kx::Traffic::longestEntry;
    QTest::newRow("no line end, longer than an entry")
        << QList<QByteArray>{QByteArray(2 * longest + 3, 'x')}
        << QList<QByteArray>{QByteArray(longest, 'x'), QByteArray(longest, 'x'), "xxx"};
    QTest::newRow("no line end, in pieces past an entry")
        << QList<QByteArray>{QByteArray(longest - 1, 'x'), "yz", "\r"}
        << QList<QByteArray>{QByteArray(longest - 1, 'x') + 'y', "z\r"};
    QTest::newRow("CR LF at the end of a full entry")
        << QList<QByteArray>{QByteArray(longest - 1, 'x') + "\r\nSIN\r"}
        << QList<QByteArray>{QByteArray(longest - 1, 'x') + "\r\n", "SIN\r"};
}

void TrafficTest::receivedTextMakesLines() {
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QList<QByteArray>, entries);
    kx::Traffic t;
    t.start(1000);
    t.sent(1000, "FUNC?\r");
    for (const QByteArray& p : pieces)
        t.received(1010, p);
    QList<QByteArray> got;
    for (const Entry& e : t.entries()) {
        if (e.direction == Entry::Direction::Received)
            got << e.bytes;
    }
    QCOMPARE(got, entries);
    QCOMPARE(t.entries().back().ms, 10);
}

void TrafficTest::keepsTheNewestEntries() {
    kx::Traffic t;
    const int extra = 5;
    for (int i = 0; i < int(kx::Traffic::capacity) + extra; ++i)
        t.sent(i, QByteArray::number(i) + '\r');
    QCOMPARE(t.entries().size(), kx::Traffic::capacity);
    QCOMPARE(t.entries().front().bytes, QByteArray::number(extra) + '\r');
    QCOMPARE(t.plainText().count(QLatin1Char('\n')), qsizetype(kx::Traffic::capacity));
}

namespace {

QAction* trafficAction(Rig& rig) {
    return rig.main().menuBar()->findChild<QAction*>(QStringLiteral("mnuTraffic"));
}

QStringList rows(kx::TrafficView* view) {
    QStringList rows;
    QAbstractItemModel* model = view->list()->model();
    for (int r = 0; r < model->rowCount(); ++r)
        rows << model->index(r, 0).data().toString();
    return rows;
}

// hh:mm:ss on the local clock, as the wall clock's ms since the epoch.
qint64 localWall(int hh, int mm, int ss) {
    return QDateTime(QDate(2025, 12, 8), QTime(hh, mm, ss)).toMSecsSinceEpoch();
}

} // namespace

// The View menu comes between File and Help; opening the window shows Connect's
// exchanges, each query and its answer, times counted from the opening of the port.
void TrafficTest::connectShowsItsExchanges() {
    Rig rig;
    QStringList menus;
    for (const QAction* menu : rig.main().menuBar()->actions())
        menus << menu->text();
    QCOMPARE(menus, QStringList({"&File", "&View", "&Help"}));
    QVERIFY(trafficAction(rig));
    QCOMPARE(trafficAction(rig)->text(), QStringLiteral("&Traffic..."));
    rig.connected();
    trafficAction(rig)->trigger();
    kx::TrafficView* view = rig.main().trafficView();
    QVERIFY(view);
    QVERIFY(view->isVisible());
    QVERIFY(!view->isModal());
    QCoreApplication::processEvents();
    const QStringList shown = rows(view);
    QCOMPARE(shown.size(), 19);
    QVERIFY2(shown[0].startsWith(QLatin1String("--- /dev/ttyS2 opened at ")), qPrintable(shown[0]));
    const char* const queries[] = {"*IDN?", "FUNC?", "FREQ?",  "AMPL?", "OFFS?",
                                   "MODE?", "SWE?",  "MODUL?", "OUT?"};
    for (int i = 0; i < 9; ++i) {
        QVERIFY2(shown[2 * i + 1].endsWith(QStringLiteral("  >  %1<CR>").arg(queries[i])),
                 qPrintable(shown[2 * i + 1]));
        QVERIFY2(shown[2 * i + 2].contains(QLatin1String("  <  ")), qPrintable(shown[2 * i + 2]));
    }
    QVERIFY(shown[2].contains(QLatin1String("KX25A")));
    QVERIFY2(shown[1].trimmed().startsWith(QLatin1String("0 ms")), qPrintable(shown[1]));
    // A later exchange shows up while the window is open.
    rig.ui().updateDisplay->click();
    QCoreApplication::processEvents();
    QCOMPARE(rows(view).size(), 35);
}

// Each opening of the port and each closing, by Close or a lost line, has a line.
void TrafficTest::sessionsStandApart_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QStringList>("sessionLines");
    const QString opened = "--- /dev/ttyS2 opened at 14:03:12 ---";
    const QString closed = "--- /dev/ttyS2 closed at 14:05:40 ---";
    QTest::newRow("still open") << "" << QStringList{opened};
    QTest::newRow("Close") << "close" << QStringList{opened, closed};
    QTest::newRow("cable pulled") << "pull" << QStringList{opened, closed};
    QTest::newRow("Close, then port 4")
        << "close, 4" << QStringList{opened, closed, "--- /dev/ttyS3 opened at 14:05:40 ---"};
}

void TrafficTest::sessionsStandApart() {
    QFETCH(QString, how);
    QFETCH(QStringList, sessionLines);
    Rig rig(QStringLiteral("KX25A"), {3, 4});
    rig.clock().setWall(localWall(14, 3, 12));
    rig.connected();
    rig.clock().setWall(localWall(14, 5, 40));
    if (how.startsWith("close"))
        button(rig, QStringLiteral("closeBtn"))->click();
    if (how == "pull")
        rig.port().pullCable();
    if (how.endsWith(", 4"))
        rig.connectTo(QStringLiteral("4"));
    const QStringList lines = rig.main().traffic().plainText().split('\n');
    QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^--- "))), sessionLines);
}

void TrafficTest::unansweredQueryIsMarked() {
    Rig rig;
    rig.port().responder = [](const QByteArray&) { return QList<FakeSerialPort::Chunk>{}; };
    rig.connectTo();
    const auto& entries = rig.main().traffic().entries();
    QCOMPARE(entries.size(), std::size_t(2));
    QVERIFY(entries.back().unanswered);
    QCOMPARE(kx::Traffic::format(entries.back()),
             QStringLiteral("       0 ms  >  *IDN?<CR>  (no answer)"));
}

// The window opens on the newest entry and follows new ones from the bottom; scrolled
// up, it stays on its rows as the oldest go. The selection stays, and Copy takes it.
void TrafficTest::viewKeepsSelectionAndPlace_data() {
    QTest::addColumn<int>("before");
    QTest::addColumn<bool>("scrolledUp");
    QTest::newRow("at the bottom") << 100 << false;
    QTest::newRow("scrolled up") << 100 << true;
    QTest::newRow("at the bottom, the oldest going") << int(kx::Traffic::capacity) << false;
    QTest::newRow("scrolled up, the oldest going") << int(kx::Traffic::capacity) << true;
}

void TrafficTest::viewKeepsSelectionAndPlace() {
    QFETCH(int, before);
    QFETCH(bool, scrolledUp);
    kx::Traffic t;
    for (int i = 0; i < before; ++i)
        t.sent(i, "LINE" + QByteArray::number(i) + '\r');
    MessageRecorder recorder;
    kx::TrafficView view(t, recorder);
    view.show();
    QCoreApplication::processEvents();
    QListView* list = view.list();
    QScrollBar* bar = list->verticalScrollBar();
    QVERIFY(bar->maximum() > 0 && bar->value() == bar->maximum());
    // Once the record is full, row 9 goes with the last new entry.
    const QStringList shown = rows(&view);
    const bool full = before == int(kx::Traffic::capacity);
    const QString selected = (full ? "" : shown[9] + '\n') + shown[before - 3] + '\n';
    for (int row : {9, before - 3})
        list->selectionModel()->select(list->model()->index(row, 0), QItemSelectionModel::Select);
    if (scrolledUp)
        list->scrollTo(list->model()->index(30, 0), QAbstractItemView::PositionAtTop);
    const QString top = list->indexAt(QPoint(0, 0)).data().toString();
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
        t.sent(before + i, "MORE\r");
        t.received(before + i, "ANSWER");
    }
    view.copy(); // before the last entries are shown
    QCOMPARE(QApplication::clipboard()->text(), selected);
    QCoreApplication::processEvents();
    QCOMPARE(list->indexAt(QPoint(0, 0)).data().toString() == top, scrolledUp);
    QCOMPARE(bar->value() == bar->maximum(), !scrolledUp);
}

void TrafficTest::copyAndSaveAs() {
    Rig rig;
    rig.connected();
    trafficAction(rig)->trigger();
    kx::TrafficView* view = rig.main().trafficView();
    const QString all = rig.main().traffic().plainText();
    QCOMPARE(all.count(QLatin1Char('\n')), 19);

    view->findChild<QPushButton*>(QStringLiteral("copy"))->click();
    QCOMPARE(QApplication::clipboard()->text(), all);
    // With rows selected, Copy takes those.
    view->list()->selectionModel()->select(view->list()->model()->index(1, 0),
                                           QItemSelectionModel::Select);
    view->copy();
    QCOMPARE(QApplication::clipboard()->text(), all.section(QLatin1Char('\n'), 1, 1) + '\n');

    QTemporaryDir dir;
    rig.saveFileName = dir.filePath(QStringLiteral("traffic.txt"));
    view->findChild<QPushButton*>(QStringLiteral("saveAs"))->click();
    QCOMPARE(QString::fromUtf8(readFile(rig.saveFileName)), all);
    QCOMPARE(boxes(rig), QStringList());

    rig.saveFileName = dir.filePath(QStringLiteral("no such folder/traffic.txt"));
    QVERIFY(!view->saveAs());
    const QStringList shown = boxes(rig);
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.first().contains(QLatin1String("could not be saved")),
             qPrintable(shown.first()));
}

// With the window open, an operation sends the same lines with the same pauses.
void TrafficTest::openingItChangesNothingOnTheLine() {
    const auto update = [](bool open) {
        Rig rig;
        rig.connected();
        if (open)
            trafficAction(rig)->trigger();
        rig.takeWaits();
        rig.ui().updateDisplay->click();
        return std::pair{rig.takeLines(), rig.takeWaits()};
    };
    QCOMPARE(update(true), update(false));
}

QTEST_MAIN(TrafficTest)
#include "tst_traffic.moc"
