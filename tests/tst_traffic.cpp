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
    // Entries are numbered from the first ever added, the dropped ones included.
    QCOMPARE(t.firstSerial(), quint64(extra));
    QCOMPARE(t.endSerial(), quint64(kx::Traffic::capacity + extra));
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

// `hh:mm:ss` today on the local clock, as the wall clock's ms since the epoch.
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
    rig.clock().setWall(localWall(14, 3, 12));
    rig.connected();
    trafficAction(rig)->trigger();
    kx::TrafficView* view = rig.main().trafficView();
    QVERIFY(view);
    QVERIFY(view->isVisible());
    QVERIFY(!view->isModal());
    QCoreApplication::processEvents();
    const QStringList shown = rows(view);
    QCOMPARE(shown.size(), 19);
    QCOMPARE(shown[0], QStringLiteral("--- /dev/ttyS2 opened at 14:03:12 ---"));
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

// Each opening of the port begins with a line naming its device and the time on the
// local clock, and each closing, by Close or a lost line, ends with one.
void TrafficTest::sessionsStandApart_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QStringList>("sessionLines");
    const QString opened = QStringLiteral("--- /dev/ttyS2 opened at 14:03:12 ---");
    const QString closed = QStringLiteral("--- /dev/ttyS2 closed at 14:05:40 ---");
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
    if (how.startsWith(QLatin1String("close")))
        button(rig, QStringLiteral("closeBtn"))->click();
    if (how == QLatin1String("pull"))
        rig.port().pullCable();
    if (how.endsWith(QLatin1String(", 4")))
        rig.connectTo(QStringLiteral("4"));
    QStringList lines = rig.main().traffic().plainText().split(QLatin1Char('\n'));
    QCOMPARE(lines.takeLast(), QString()); // each line ends with its LF
    QCOMPARE(lines.first(), sessionLines.first());
    QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^--- "))), sessionLines);
    if (how == QLatin1String("close") || how == QLatin1String("pull"))
        QCOMPARE(lines.last(), sessionLines.last());
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
    // A query of a session already closed is not marked.
    kx::Traffic t;
    t.opened(0, 0, QStringLiteral("/dev/ttyS2"));
    t.sent(10, "FREQ?\r");
    t.closed(20, 0);
    t.unanswered();
    QVERIFY(!t.entries()[1].unanswered);
}

// The window opens on the newest entry and follows new ones while it shows the bottom;
// scrolled up, it stays on the rows in sight, even as the oldest go. A selection stays
// on its entries, and Copy takes exactly those.
void TrafficTest::viewKeepsSelectionAndPlace_data() {
    QTest::addColumn<int>("before");
    QTest::addColumn<bool>("scrolledUp");
    const int full = int(kx::Traffic::capacity);
    QTest::newRow("at the bottom") << 100 << false;
    QTest::newRow("scrolled up") << 100 << true;
    QTest::newRow("at the bottom, the oldest going") << full << false;
    QTest::newRow("scrolled up, the oldest going") << full << true;
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
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());

    // Once full, the record drops an entry for each new one: the first selected goes
    // with the last.
    const bool dropping = before == int(kx::Traffic::capacity);
    QAbstractItemModel* model = list->model();
    const QModelIndex first = model->index(9, 0);
    const QModelIndex second = model->index(before - 3, 0);
    const QString selected =
        (dropping ? QString() : first.data().toString() + '\n') + second.data().toString() + '\n';
    list->selectionModel()->select(first, QItemSelectionModel::Select);
    list->selectionModel()->select(second, QItemSelectionModel::Select);
    if (scrolledUp)
        list->scrollTo(model->index(30, 0), QAbstractItemView::PositionAtTop);
    const QString top = list->indexAt(QPoint(0, 0)).data().toString();

    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
        t.sent(before + i, "MORE\r");
        t.received(before + i, "ANSWER");
    }
    // The last entries are not yet shown as Copy is pressed.
    view.copy();
    QCOMPARE(QApplication::clipboard()->text(), selected);
    QCoreApplication::processEvents();
    QCOMPARE(model->rowCount(), std::min(before + 10, int(kx::Traffic::capacity)));
    QCOMPARE(list->indexAt(QPoint(0, 0)).data().toString() == top, scrolledUp);
    QCOMPARE(bar->value() == bar->maximum(), !scrolledUp);
    QCOMPARE(list->selectionModel()->selectedRows().size(), dropping ? 1 : 2);
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
    // Entries that came since, not yet shown, change nothing.
    view->list()->selectionModel()->select(view->list()->model()->index(3, 0),
                                           QItemSelectionModel::Select);
    rig.ui().updateDisplay->click();
    view->copy();
    QCOMPARE(QApplication::clipboard()->text(), all.section(QLatin1Char('\n'), 1, 1) + '\n' +
                                                    all.section(QLatin1Char('\n'), 3, 3) + '\n');

    QTemporaryDir dir;
    rig.saveFileName = dir.filePath(QStringLiteral("traffic.txt"));
    view->findChild<QPushButton*>(QStringLiteral("saveAs"))->click();
    const QString saved = QString::fromUtf8(readFile(rig.saveFileName));
    QCOMPARE(saved, rig.main().traffic().plainText());
    QVERIFY(saved.startsWith(QLatin1String("--- /dev/ttyS2 opened at ")));
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
