// What every declared front-panel operation shares, run over every row of every group:
// with no port open nothing is sent and nothing changes; text that is not a number is
// refused like a value out of range; a click inside an operation's pause starts nothing;
// and no path leaves the window busy.

#include "support/Rig.h"
#include "support/Texts.h"

#include "app/ErrorCatalog.h"
#include "panel/Panel.h"
#include "state/modVariables.h"
#include "ui_Main.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

using namespace kxtest;

Q_DECLARE_METATYPE(const kx::Setting*)
Q_DECLARE_METATYPE(const kx::Lines*)

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

QLineEdit* entryOf(Rig& rig, const kx::Setting& row) {
    return rig.ui().*row.entry;
}

// A value every setting accepts on a KX25A showing the generator's factory set-up.
const QString accepted = QStringLiteral("1");

// Prepares `row` to run: its entry holds an accepted value, its list its first item.
void prepare(Rig& rig, const kx::Setting& row) {
    entryOf(rig, row)->setText(accepted);
}
void prepare(Rig& rig, const kx::Lines& row) {
    if (row.list)
        (rig.ui().*row.list)->setCurrentIndex(0);
    // A guarded row is not refused: the panel shows some other mode.
    if (row.guard.code)
        row.guard.control.set(rig.ui(), QStringLiteral("Trig"));
}

// The generator is in the state a setting asks for, so it is not refused.
void satisfy(Rig& rig, const kx::Setting& row) {
    if (!row.asks.query)
        return;
    const QString expected = QString::fromLatin1(row.asks.expected);
    for (const QString& line :
         {QStringLiteral("MODUL ") + expected.left(2), QStringLiteral("MODUL ") + expected.mid(3)})
        rig.generator().handleLine(line.toLatin1());
}
void satisfy(Rig&, const kx::Lines&) {}

// The lines a row sends on a connected panel, no one interfering.
template <class Row> QList<QByteArray> undisturbed(const Row& row) {
    Rig rig;
    rig.connected();
    satisfy(rig, row);
    prepare(rig, row);
    button(rig, row.button)->click();
    return rig.takeLines();
}

template <class Row> void addRows(const std::vector<const Row*>& rows) {
    QTest::addColumn<const Row*>("row");
    for (const Row* row : rows)
        QTest::newRow(row->button) << row;
}

} // namespace

class RowsTest : public QObject {
    Q_OBJECT
private slots:
    void everyRowHasItsButton();

    void settingWithoutPort_data() { addRows(kx::allSettings()); }
    void settingWithoutPort() { withoutPort(*fetchSetting()); }
    void linesWithoutPort_data() { addRows(kx::allLines()); }
    void linesWithoutPort() { withoutPort(*fetchLines()); }

    void notANumber_data();
    void notANumber();

    void settingClickDuringPause_data() { addRows(kx::allSettings()); }
    void settingClickDuringPause() { clickDuringPause(*fetchSetting()); }
    void linesClickDuringPause_data() { addRows(kx::allLines()); }
    void linesClickDuringPause() { clickDuringPause(*fetchLines()); }

    void settingLinePulled_data() { addRows(kx::allSettings()); }
    void settingLinePulled() { linePulled(*fetchSetting()); }
    void linesLinePulled_data() { addRows(kx::allLines()); }
    void linesLinePulled() { linePulled(*fetchLines()); }

    void readBackUnanswered_data();
    void readBackUnanswered();

private:
    static const kx::Setting* fetchSetting() {
        QFETCH(const kx::Setting*, row);
        return row;
    }
    static const kx::Lines* fetchLines() {
        QFETCH(const kx::Lines*, row);
        return row;
    }
    template <class Row> void withoutPort(const Row& row);
    template <class Row> void clickDuringPause(const Row& row);
    template <class Row> void linePulled(const Row& row);
};

// Every row is reached from a button of the window, and each button from one row.
void RowsTest::everyRowHasItsButton() {
    Rig rig;
    QSet<QString> seen;
    const auto check = [&](const char* name) {
        QVERIFY2(rig.main().findChild<QAbstractButton*>(QLatin1String(name)), name);
        QVERIFY2(!seen.contains(QLatin1String(name)), name);
        seen.insert(QLatin1String(name));
    };
    for (const kx::Setting* row : kx::allSettings())
        check(row->button);
    for (const kx::Lines* row : kx::allLines())
        check(row->button);
    QVERIFY(seen.size() >= 8);
}

// With no port open: the "port is not open" box, nothing sent, nothing changed.
template <class Row> void RowsTest::withoutPort(const Row& row) {
    Rig rig;
    prepare(rig, row);
    const QStringList before = snapshot(rig);
    button(rig, row.button)->click();
    QCOMPARE(rig.takeLines(), QList<QByteArray>());
    QCOMPARE(boxes(rig), portNotOpenBox());
    QCOMPARE(snapshot(rig), before);
    QVERIFY(idle(rig));
}

void RowsTest::notANumber_data() {
    QTest::addColumn<const kx::Setting*>("row");
    QTest::addColumn<QString>("text");
    for (const kx::Setting* row : kx::allSettings()) {
        for (const char* text : kxtest::notNumbers)
            QTest::addRow("%s '%s'", row->button, text) << row << QString::fromUtf8(text);
    }
}

// Text that is not a number is refused like a value out of range, and nothing is sent
// but the question a setting must ask first.
void RowsTest::notANumber() {
    QFETCH(const kx::Setting*, row);
    QFETCH(QString, text);
    Rig rig;
    rig.connected();
    entryOf(rig, *row)->setText(text);
    if (row->asks.query)
        rig.expect({{row->asks.query, QByteArray(row->asks.expected) + "\r\n"}});
    else
        rig.expect({});
    button(rig, row->button)->click();
    rig.checkConversation();
    QCOMPARE(boxes(rig), refusal(row->code));
    QCOMPARE(entryOf(rig, *row)->text(), row->refused == kx::Refused::Empty ? QString() : text);
    QVERIFY(idle(rig));
}

// A click on another operation, programmatic or by the mouse, inside the row's pauses
// starts nothing: the row's own lines go out exactly as they do undisturbed.
template <class Row> void RowsTest::clickDuringPause(const Row& row) {
    const QList<QByteArray> expected = undisturbed(row);
    QVERIFY(!expected.isEmpty());
    Rig rig;
    rig.connected();
    satisfy(rig, row);
    prepare(rig, row);
    int clicks = 0;
    std::function<void()> interfere = [&] {
        ++clicks;
        button(rig, QStringLiteral("updateDisplay"))->click();
        QTest::mouseClick(button(rig, QStringLiteral("ampV")), Qt::LeftButton);
        rig.clock().duringNextWait = interfere;
    };
    rig.clock().duringNextWait = interfere;
    button(rig, row.button)->click();
    rig.clock().duringNextWait = nullptr;
    QVERIFY(clicks >= 1);
    QCOMPARE(rig.takeLines(), expected);
    QVERIFY(idle(rig));
}

// The cable goes after the row's first line: nothing more is sent, the operator is
// told, and the window is not left busy.
template <class Row> void RowsTest::linePulled(const Row& row) {
    Rig rig;
    rig.connected();
    satisfy(rig, row);
    prepare(rig, row);
    rig.port().pullCableAfterLines = int(rig.port().lines.size()) + 1;
    button(rig, row.button)->click();
    QCOMPARE(rig.takeLines().size(), 1);
    QCOMPARE(boxes(rig),
             QStringList{box(kx::MessageBoxes::Icon::Warning, QStringLiteral("Connection Error"),
                             kx::texts::connectionLost)});
    QVERIFY(idle(rig));
    QVERIFY(rig.ui().connectBtn->isEnabled());
}

void RowsTest::readBackUnanswered_data() {
    QTest::addColumn<const kx::Setting*>("row");
    for (const kx::Setting* row : kx::allSettings()) {
        if (row->readBack.query || row->asks.query)
            QTest::newRow(row->button) << row;
    }
}

// A question that goes unanswered ends the operation there: nothing more is sent, the
// displays keep their values, and the status line names the question.
void RowsTest::readBackUnanswered() {
    QFETCH(const kx::Setting*, row);
    Rig rig;
    rig.connected();
    satisfy(rig, *row);
    prepare(rig, *row);
    const QByteArray unanswered = row->asks.query ? row->asks.query : row->readBack.query;
    const QList<QByteArray> expected = undisturbed(*row);
    QList<std::pair<QByteArray, QByteArray>> conversation;
    for (const QByteArray& l : expected) {
        conversation.append({l, {}});
        if (l == unanswered)
            break;
    }
    rig.expect(conversation);
    const QStringList before = snapshot(rig);
    button(rig, row->button)->click();
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
