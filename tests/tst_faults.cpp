// Every operation that talks to the generator, against a generator that misbehaves in
// each of the ways a real one on a real cable can: one table of operations, one of
// faults. Whatever happens, the panel does not crash, is not left busy, shows no value
// the generator did not give, sends nothing more once the line is gone or a question
// went unanswered, and tells the operator when the panel ends up otherwise than a
// healthy generator would have left it.
//
// Then the guards that only show when something goes wrong at the wrong moment.

#include "support/Rig.h"
#include "support/Texts.h"

#include "kit/MessageBoxes.h"
#include "state/modVariables.h"
#include "support/PanelRows.h"
#include "ui_Main.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QtTest>

using namespace kxtest;

namespace {

enum class Fault {
    None,
    Silent,     // never answers
    Late,       // answers after the exchange has given up
    LowerE,     // numbers with a lower-case e
    NoCR,       // answers without their line end
    Garbage,    // answers something else entirely
    Echo,       // echoes every line before acting on it
    LateCR,     // the answer in time, its CR after the exchange has given up
    HangUp,     // the line goes after the operation's first line
    PortTaken,  // another program holds the port (Connect)
    PortClosed, // the port is not open
};

const char* const faultNames[] = {"none",    "silent",     "late",       "lower-case e",
                                  "no CR",   "garbage",    "echo",       "late CR",
                                  "hang-up", "port taken", "port closed"};

// An operation as the operator starts it: Connect, or one that needs the port.
struct Operation {
    QString button;
    bool connects = false;               // Connect itself: starts unconnected
    std::function<void(Rig&)> prepare{}; // entries typed, items chosen
};

QList<Operation> operations() {
    QList<Operation> out{{QStringLiteral("connectBtn"), true, {}}};
    for (const Op& op : ops())
        out << Operation{op.button, false, op.prepare};
    return out;
}

// The displays: what the panel shows of the generator.
QStringList displays(Rig& rig) {
    Ui::Main& ui = rig.ui();
    return {ui.frequency->text(),
            ui.frequencyUnit->text(),
            ui.amp->text(),
            ui.offset->text(),
            ui.mode->text(),
            ui.funcIndicator->text(),
            ui.funcInfo->text(),
            ui.funcInfo2->text(),
            ui.source->text(),
            picture(rig),
            rig.main().vars().modelName};
}

QByteArray mangle(QByteArray reply, Fault fault) {
    switch (fault) {
    case Fault::LowerE:
        return reply.replace("E+", "e+").replace("E-", "e-");
    case Fault::NoCR:
        return reply.replace('\r', "").replace('\n', "");
    case Fault::Garbage:
        return "#?!\x7f garbage\r";
    default:
        return reply;
    }
}

// Makes the generator behind the rig's port misbehave from now on.
void misbehave(Rig& rig, Fault fault) {
    switch (fault) {
    case Fault::HangUp:
        rig.port().pullCableAfterLines = int(rig.port().lines.size()) + 1;
        return;
    case Fault::PortTaken:
        rig.port().refuseOpen = kx::PortError::Busy;
        return;
    case Fault::PortClosed:
        rig.ui().closeBtn->click();
        return;
    default:
        break;
    }
    auto healthy = rig.port().responder;
    rig.port().responder = [healthy, fault](const QByteArray& line) {
        QList<FakeSerialPort::Chunk> chunks = healthy(line);
        if (fault == Fault::Silent)
            return QList<FakeSerialPort::Chunk>{};
        if (fault == Fault::Echo)
            chunks.prepend({0, line + '\r'});
        if (fault == Fault::LateCR && !chunks.isEmpty())
            return QList<FakeSerialPort::Chunk>{{0, chunks.first().bytes.chopped(1)}, {1100, "\r"}};
        for (FakeSerialPort::Chunk& c : chunks) {
            c.bytes = mangle(c.bytes, fault);
            if (fault == Fault::Late)
                c.delayMs += 1500;
        }
        return chunks;
    };
}

struct Outcome {
    QStringList displays;
    QList<QByteArray> lines;
    QStringList boxes;
    QString message;
    bool idle = false;
};

Outcome runOperation(const Operation& op, Fault fault) {
    Rig rig;
    if (!op.connects)
        rig.connected();
    if (op.prepare)
        op.prepare(rig);
    rig.takeBoxes();
    rig.takeLines();
    misbehave(rig, fault);
    if (op.connects)
        rig.ui().comPort->setEditText(QStringLiteral("3"));
    button(rig, op.button)->click();
    return {displays(rig), rig.takeLines(), boxes(rig), rig.ui().message->text(), idle(rig)};
}

bool toldSomething(const Outcome& o) {
    return !o.boxes.isEmpty() || o.message.startsWith(QLatin1String("No valid answer")) ||
           o.message.startsWith(QLatin1String("Could not")) ||
           o.message.startsWith(QLatin1String("The generator's answer")) ||
           o.message.startsWith(QLatin1String("Connection lost"));
}

} // namespace

Q_DECLARE_METATYPE(Operation)
Q_DECLARE_METATYPE(Fault)

class FaultsTest : public QObject {
    Q_OBJECT
private slots:
    void matrix_data();
    void matrix();

    void inputDuringAPauseIsDropped();
    void lineLostBehindABoxIsReported();
    void portFailureEndsAPauseAtOnce();
};

void FaultsTest::matrix_data() {
    QTest::addColumn<Operation>("op");
    QTest::addColumn<Fault>("fault");
    for (const Operation& op : operations()) {
        for (int f = int(Fault::Silent); f <= int(Fault::PortClosed); ++f) {
            const auto fault = Fault(f);
            // Connect opens the port itself; the others find it open, or closed.
            if (op.connects ? fault == Fault::PortClosed : fault == Fault::PortTaken)
                continue;
            QTest::addRow("%s, %s", qPrintable(op.button), faultNames[f]) << op << fault;
        }
    }
}

void FaultsTest::matrix() {
    QFETCH(Operation, op);
    QFETCH(Fault, fault);
    Rig before;
    if (!op.connects)
        before.connected();
    const QStringList start = displays(before);
    const Outcome healthy = runOperation(op, Fault::None);
    const Outcome got = runOperation(op, fault);

    QVERIFY(got.idle);
    // Each display shows what it showed, or what a healthy generator's answers gave it;
    // the operating mode shows the generator's own words, whatever they are. Connect
    // shows nothing of the generator before until the new one answers.
    for (int i = 0; i < got.displays.size(); ++i) {
        const QString& shown = got.displays.at(i);
        const bool mode = i == 4;
        QVERIFY2(shown == start.at(i) || shown == healthy.displays.at(i) ||
                     (op.connects && shown.isEmpty()) ||
                     (mode && fault == Fault::Garbage && shown == QLatin1String("#?!\x7f")),
                 qPrintable(QStringLiteral("display %1 shows '%2'").arg(i).arg(shown)));
    }
    // Nothing more once the line is gone, or once a question went unanswered.
    if (fault == Fault::HangUp)
        QVERIFY(got.lines.size() <= 1);
    if (fault == Fault::PortClosed || fault == Fault::PortTaken)
        QCOMPARE(got.lines, QList<QByteArray>());
    // An echo changes nothing at all.
    if (fault == Fault::Echo) {
        QCOMPARE(got.lines, healthy.lines);
        QCOMPARE(got.displays, healthy.displays);
        QCOMPARE(got.message, healthy.message);
        QCOMPARE(got.boxes, healthy.boxes);
    }
    if (fault == Fault::Silent || fault == Fault::Late || fault == Fault::LateCR) {
        const auto firstQuery = std::find_if(got.lines.begin(), got.lines.end(),
                                             [](const QByteArray& l) { return l.endsWith('?'); });
        QVERIFY(got.lines.end() - firstQuery <= 1);
        QCOMPARE(got.lines, healthy.lines.mid(0, got.lines.size()));
    }
    // Told: whenever the panel is not what a healthy generator would have left.
    if (got.displays != healthy.displays || got.lines != healthy.lines)
        QVERIFY2(toldSomething(got), qPrintable(got.message));
    if (fault == Fault::HangUp && !got.lines.isEmpty())
        QVERIFY(
            got.boxes.contains(box(kx::MessageBoxes::Icon::Warning,
                                   QStringLiteral("Connection Error"), kx::port::lost.boxText())));
    if (fault == Fault::PortClosed)
        QCOMPARE(got.boxes, portNotOpenBox());
}

// Typing into an entry inside a pause, while the window is still enabled (a waveform
// line goes out before the busy state), changes nothing.
void FaultsTest::inputDuringAPauseIsDropped() {
    Rig rig;
    rig.connected();
    rig.ui().setF->setText(QStringLiteral("5"));
    rig.clock().duringNextWait = [&] {
        QVERIFY(rig.main().isEnabled());
        QTest::keyClicks(rig.ui().setF, QStringLiteral("123"));
        QTest::mouseClick(rig.ui().ramp, Qt::LeftButton);
    };
    rig.ui().sine->click();
    QCOMPARE(rig.ui().setF->text(), QStringLiteral("5"));
    QCOMPARE(rig.takeLines(), (QList<QByteArray>{"FUNC SIN", "FREQ?"}));
    QCOMPARE(rig.main().vars().waveShape, QStringLiteral("sine"));
}

// The line goes while a refusal is on the screen, after the operation's last exchange:
// the operator is told at once, not only when some later event comes.
void FaultsTest::lineLostBehindABoxIsReported() {
    Rig rig;
    rig.connected();
    rig.ui().setF->setText(QStringLiteral("abc"));
    rig.boxes().duringNextBox = [&] { rig.port().pullCable(); };
    rig.ui().freqHz->click();
    QCOMPARE(boxes(rig), refusal(5) + QStringList{box(kx::MessageBoxes::Icon::Warning,
                                                      QStringLiteral("Connection Error"),
                                                      kx::port::lost.boxText())});
    QCOMPARE(rig.ui().PortOpenStat->fillColor(), QColor(255, 0, 0));
    QVERIFY(rig.ui().connectBtn->isEnabled());
}

// The port failing inside a pause ends the pause there and then, setting line or query.
void FaultsTest::portFailureEndsAPauseAtOnce() {
    for (const char* name : {"sine", "updateDisplay"}) {
        Rig rig;
        rig.connected();
        rig.clock().duringNextWait = [&] { rig.port().pullCable(); };
        button(rig, QLatin1String(name))->click();
        QCOMPARE(rig.takeWaits(), QList<qint64>{0});
        QVERIFY(idle(rig));
    }
}

QTEST_MAIN(FaultsTest)
#include "tst_faults.moc"
