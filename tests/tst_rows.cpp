// What every front-panel operation shares, run over every row of every group and the
// buttons the runner carries out: with no port open nothing is sent and nothing
// changes; a refused entry shows its box and is emptied or kept as its row says; a
// click inside an operation's pause starts nothing; and no path leaves the window busy.

#include "support/Rig.h"
#include "support/Texts.h"

#include "app/ErrorCatalog.h"
#include "state/modVariables.h"
#include "support/PanelRows.h"
#include "ui_Main.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

using namespace kxtest;

Q_DECLARE_METATYPE(const kx::SettingRow*)

namespace {

// Everything the panel shows or holds that an operation may change.
QStringList snapshot(Rig& rig) {
    QStringList out;
    for (const QLineEdit* e : rig.main().findChildren<QLineEdit*>())
        out << e->objectName() + '=' + e->text();
    for (const QLabel* l : rig.main().findChildren<QLabel*>())
        out << l->objectName() + '=' + l->text();
    const kx::modVariables& v = rig.main().vars();
    out << rig.ui().wave->property("picture").toString() << v.waveShape << v.freqHzText
        << v.levelText;
    return out;
}

QLineEdit* entryOf(Rig& rig, const kx::SettingRow& row) { return rig.ui().*row.entry; }

// The generator is in the state a setting asks for, so it is not refused.
void satisfy(Rig& rig, const kx::Setting& s) {
    if (!s.asks.query)
        return;
    const QString expected = QString::fromLatin1(s.asks.expected);
    for (const QString& line :
         {QStringLiteral("MODUL ") + expected.left(2), QStringLiteral("MODUL ") + expected.mid(3)})
        rig.generator().handleLine(line.toLatin1());
}

// A front-panel operation the runner carries out: its button, and what makes it run on
// a KX25A showing the generator's factory set-up (an accepted value typed, the first
// item of its list chosen, the generator in the state it asks for).
struct Op {
    QString button;
    std::function<void(Rig&)> prepare;
};

QList<Op> ops() {
    QList<Op> out;
    for (const kx::SettingRow* row : kx::settingRows())
        out << Op{QLatin1String(row->button), [row](Rig& rig) {
                      satisfy(rig, *row->setting);
                      entryOf(rig, *row)->setText(QStringLiteral("1"));
                  }};
    for (const kx::CommandRow* row : kx::commandRows())
        out << Op{QLatin1String(row->button), [row](Rig& rig) {
                      if (row->list)
                          (rig.ui().*row->list)->setCurrentIndex(0);
                  }};
    for (const char* name : {"sine", "square", "ramp"})
        out << Op{QLatin1String(name), [](Rig&) {}};
    // Not refused: the panel shows a mode other than continuous.
    out << Op{QStringLiteral("TrigSourceSet"), [](Rig& rig) {
                  rig.ui().trigSource->setCurrentIndex(0);
                  rig.ui().mode->setText(QStringLiteral("Trig"));
              }};
    return out;
}

void addOps() {
    QTest::addColumn<int>("op");
    const QList<Op> all = ops();
    for (int i = 0; i < all.size(); ++i)
        QTest::newRow(qPrintable(all[i].button)) << i;
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

    void withoutPort_data() { addOps(); }
    void withoutPort();
    void refusedEntry_data();
    void refusedEntry();
    void clickDuringPause_data() { addOps(); }
    void clickDuringPause();
    void linePulled_data() { addOps(); }
    void linePulled();
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
    QCOMPARE(seen.size(), int(kx::settingRows().size() + kx::commandRows().size()) + 4);
}

// With no port open: the "port is not open" box, nothing sent, nothing changed.
void RowsTest::withoutPort() {
    const Op op = fetchOp();
    Rig rig;
    op.prepare(rig);
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
                             kx::texts::connectionLost)});
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
