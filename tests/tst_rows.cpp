// What every front-panel operation shares, run over every row of every group and the
// other buttons that need the port (support/PanelRows.h): with no port open nothing is
// sent and nothing changes; a refused entry shows its box and is emptied or kept as its
// row says; a click inside an operation's pause starts nothing; and no path leaves the
// window busy.

#include "support/Rig.h"
#include "support/Texts.h"

#include "kit/MessageBoxes.h"
#include "state/modVariables.h"
#include "support/PanelRows.h"
#include "ui_Main.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

using namespace kxtest;

Q_DECLARE_METATYPE(const kx::SettingRow*)

namespace {

QLineEdit* entryOf(Rig& rig, const kx::SettingRow& row) { return rig.ui().*row.entry; }

// Everything the panel shows or holds that an operation may change.
QStringList snapshot(Rig& rig) {
    QStringList out;
    for (const QLineEdit* e : rig.main().findChildren<QLineEdit*>())
        out << e->objectName() + '=' + e->text();
    for (const QLabel* l : rig.main().findChildren<QLabel*>())
        out << l->objectName() + '=' + l->text();
    const kx::modVariables& v = rig.main().vars();
    out << picture(rig) << output(rig) << v.waveShape << v.freqHzText << v.levelText;
    return out;
}

// The operations that send a line.
void addOps() {
    QTest::addColumn<int>("op");
    const QList<Op> all = ops();
    for (int i = 0; i < all.size(); ++i) {
        if (all[i].sends)
            QTest::newRow(qPrintable(all[i].button)) << i;
    }
}

Op fetchOp() {
    QFETCH(int, op);
    return ops().at(op);
}

// The lines an operation sends on a connected panel, no one interfering.
QList<QByteArray> undisturbed(const Op& op) {
    Rig rig;
    rig.connected();
    op.prepare(rig);
    button(rig, op.button)->click();
    return rig.takeLines();
}

} // namespace

class RowsTest : public QObject {
    Q_OBJECT
private slots:
    void everyRowHasItsButton();

    void withoutPort_data();
    void withoutPort();
    void refusedEntry_data();
    void refusedEntry();
    void clickDuringPause_data() { addOps(); }
    void clickDuringPause();
    void linePulled_data() { addOps(); }
    void linePulled();
    void focusComesBack_data() { addOps(); }
    void focusComesBack();
    void readBackUnanswered_data();
    void readBackUnanswered();
};

// Every row is reached from a button of the window, and each button from one row.
void RowsTest::everyRowHasItsButton() {
    Rig rig;
    QSet<QString> seen;
    for (const Op& op : ops()) {
        QVERIFY2(rig.main().findChild<QAbstractButton*>(op.button), qPrintable(op.button));
        QVERIFY2(!seen.contains(op.button), qPrintable(op.button));
        seen.insert(op.button);
    }
    // The waveforms, ON and OFF, Update, the trigger source, duty, burst and the memory.
    QCOMPARE(seen.size(), int(kx::settingRows().size() + kx::commandRows().size()) + 12);
}

// When an operation ends, the focus is back on the button that started it, or, where
// the operation disabled it, on the next control of the Tab order.
void RowsTest::focusComesBack() {
    const Op op = fetchOp();
    Rig rig;
    rig.connected();
    op.prepare(rig);
    QAbstractButton* started = button(rig, op.button);
    started->setFocus();
    started->click();
    QWidget* focus = rig.main().focusWidget();
    QVERIFY(focus && focus->isEnabled());
    QVERIFY(focus == started || !started->isEnabled());
    rig.takeBoxes();
}

void RowsTest::withoutPort_data() {
    QTest::addColumn<int>("op");
    QTest::addColumn<bool>("wasConnected");
    QTest::addColumn<bool>("refused");
    const QList<Op> all = ops();
    for (int i = 0; i < all.size(); ++i) {
        for (const bool wasConnected : {false, true}) {
            for (const bool refused : {false, true}) {
                if (refused && !all[i].refuse)
                    continue;
                QTest::addRow("%s, %s%s", qPrintable(all[i].button),
                              wasConnected ? "after Close Port" : "before connecting",
                              refused ? ", entry refused" : "")
                    << i << wasConnected << refused;
            }
        }
    }
}

// With no port open, before any connection or after Close Port: the "port is not open"
// box, nothing sent, nothing changed. The port comes first: an entry the check would
// refuse shows no refusal and is not emptied.
void RowsTest::withoutPort() {
    const Op op = fetchOp();
    QFETCH(bool, wasConnected);
    QFETCH(bool, refused);
    Rig rig;
    if (wasConnected) {
        rig.connected();
        rig.ui().closeBtn->click();
    }
    op.prepare(rig);
    if (refused)
        op.refuse(rig);
    rig.takeLines();
    rig.takeBoxes();
    const QStringList before = snapshot(rig);
    button(rig, op.button)->click();
    QCOMPARE(rig.takeLines(), QList<QByteArray>());
    QCOMPARE(boxes(rig), portNotOpenBox());
    QCOMPARE(snapshot(rig), before);
    QVERIFY(idle(rig));
}

void RowsTest::refusedEntry_data() {
    QTest::addColumn<const kx::SettingRow*>("row");
    for (const kx::SettingRow* row : kx::settingRows())
        QTest::newRow(row->button) << row;
}

// Text that is not a number: the numbered box, and the entry emptied or kept as the row
// says. (The instrument layer's tests hold what is sent and which refusal it is.)
void RowsTest::refusedEntry() {
    QFETCH(const kx::SettingRow*, row);
    const kx::Setting& s = *row->setting;
    Rig rig;
    rig.connected();
    entryOf(rig, *row)->setText(QStringLiteral("abc"));
    satisfy(rig, s);
    button(rig, row->button)->click();
    QCOMPARE(boxes(rig), refusal(s.code));
    QCOMPARE(entryOf(rig, *row)->text(),
             row->refused == kx::Refused::Empty ? QString() : QStringLiteral("abc"));
    QVERIFY(idle(rig));
}

// A click on another operation, programmatic or by the mouse, inside the row's pauses
// starts nothing: the row's own lines go out exactly as they do undisturbed.
void RowsTest::clickDuringPause() {
    const Op op = fetchOp();
    const QList<QByteArray> expected = undisturbed(op);
    QVERIFY(!expected.isEmpty());
    Rig rig;
    rig.connected();
    op.prepare(rig);
    int clicks = 0;
    std::function<void()> interfere = [&] {
        ++clicks;
        button(rig, QStringLiteral("updateDisplay"))->click();
        QTest::mouseClick(button(rig, QStringLiteral("ampV")), Qt::LeftButton);
        rig.clock().duringNextWait = interfere;
    };
    rig.clock().duringNextWait = interfere;
    button(rig, op.button)->click();
    rig.clock().duringNextWait = nullptr;
    QVERIFY(clicks >= 1);
    QCOMPARE(rig.takeLines(), expected);
    QVERIFY(idle(rig));
}

// The cable goes after the row's first line: nothing more is sent, the operator is
// told, and the window is not left busy.
void RowsTest::linePulled() {
    const Op op = fetchOp();
    Rig rig;
    rig.connected();
    op.prepare(rig);
    rig.port().pullCableAfterLines = int(rig.port().lines.size()) + 1;
    button(rig, op.button)->click();
    QCOMPARE(rig.takeLines().size(), 1);
    QCOMPARE(boxes(rig),
             QStringList{box(kx::MessageBoxes::Icon::Warning, QStringLiteral("Connection Error"),
                             kx::port::lost.boxText())});
    QVERIFY(idle(rig));
    QVERIFY(rig.ui().connectBtn->isEnabled());
}

void RowsTest::readBackUnanswered_data() {
    QTest::addColumn<int>("op");
    const QList<Op> all = ops();
    for (int i = 0; i < int(kx::settingRows().size()); ++i) {
        const kx::Setting& s = *kx::settingRows()[size_t(i)]->setting;
        if (s.readBack.query || s.asks.query)
            QTest::newRow(qPrintable(all[i].button)) << i;
    }
}

// A question that goes unanswered ends the operation there: nothing more is sent, the
// displays keep their values, and the status line names the question.
void RowsTest::readBackUnanswered() {
    QFETCH(int, op);
    const kx::Setting& s = *kx::settingRows()[size_t(op)]->setting;
    const Op o = ops().at(op);
    Rig rig;
    rig.connected();
    o.prepare(rig);
    const QByteArray unanswered = s.asks.query ? s.asks.query : s.readBack.query;
    const QList<QByteArray> expected = undisturbed(o);
    QList<std::pair<QByteArray, QByteArray>> conversation;
    for (const QByteArray& l : expected) {
        conversation.append({l, {}});
        if (l == unanswered)
            break;
    }
    rig.expect(conversation);
    const QStringList before = snapshot(rig);
    button(rig, o.button)->click();
    rig.checkConversation();
    QCOMPARE(rig.ui().message->text(),
             QStringLiteral("No valid answer from the generator to ") + unanswered);
    QStringList after = snapshot(rig);
    QCOMPARE(
        after.removeIf([](const QString& s) { return s.startsWith(QLatin1String("message=")); }),
        1);
    QStringList kept = before;
    kept.removeIf([](const QString& s) { return s.startsWith(QLatin1String("message=")); });
    QCOMPARE(after, kept);
    QCOMPARE(boxes(rig), QStringList());
    QVERIFY(idle(rig));
}

QTEST_MAIN(RowsTest)
#include "tst_rows.moc"
