#include "support/FakeClock.h"
#include "support/FakeSerialPort.h"

#include "link/Exchange.h"
#include "link/LinkError.h"

#include <QtTest>

using namespace kxtest;
using Chunks = QList<FakeSerialPort::Chunk>;

// The command exchange on its own: pacing of setting lines, queries that wait for
// their own answer and nothing else.
class ExchangeTest : public QObject {
    Q_OBJECT
private slots:
    void settingLinePausesToNextTick_data();
    void settingLinePausesToNextTick();
    void delaySeconds();
    void queryWaitsForItsReply_data();
    void queryWaitsForItsReply();
    void lateReplyIsNotTakenForTheNextAnswer();
    void leftoverTextBeforeQueryIsDiscarded();
    void closedPortSendsNothing();
    void chatterWhileIdleIsDropped();
    void lineFeedOfThePreviousAnswerIsSkipped();
    void lostLineEndsTheWait();
    void shutdownEndsTheWait();
};

namespace {

struct Line {
    FakeClock clock;
    FakeSerialPort port{clock};
    kx::Exchange link{port, clock};
    Line() { link.open(QStringLiteral("/dev/null")); }
    qint64 lastWait() const { return clock.waits.isEmpty() ? -1 : clock.waits.last().waited; }
};

} // namespace

void ExchangeTest::settingLinePausesToNextTick_data() {
    QTest::addColumn<qint64>("millis"); // milliseconds past the second when the line goes
    QTest::addColumn<qint64>("pause");
    QTest::newRow("early") << qint64(0) << qint64(1000);
    QTest::newRow("middle") << qint64(250) << qint64(750);
    QTest::newRow("just before a tick") << qint64(999) << qint64(1);
}

void ExchangeTest::settingLinePausesToNextTick() {
    QFETCH(qint64, millis);
    QFETCH(qint64, pause);
    Line l;
    l.clock.setWall(1'765'108'800'000 + millis);
    l.link.processEcho(QStringLiteral("FREQ 2.5KHZ"));
    QCOMPARE(l.port.lines, QList<QByteArray>{"FREQ 2.5KHZ"});
    QCOMPARE(l.lastWait(), pause);
    QCOMPARE(l.clock.wallMsecs() % 1000, 0);
}

void ExchangeTest::delaySeconds() {
    Line l;
    l.link.delaySeconds(0);
    QVERIFY(l.clock.waits.isEmpty());
    l.link.delaySeconds(1);
    QCOMPARE(l.lastWait(), 750);
    l.link.delaySeconds(2);
    QCOMPARE(l.lastWait(), 2000);
}

void ExchangeTest::queryWaitsForItsReply_data() {
    QTest::addColumn<Chunks>("reply");
    QTest::addColumn<QString>("read"); // null: no answer, the operation ends
    QTest::addColumn<qint64>("waited");
    const qint64 second = kx::Exchange::replyTimeoutMs;
    QTest::newRow("at once, CR LF") << Chunks{{0, "1.00000E+3\r\n"}} << "1.00000E+3\r\n"
                                    << qint64(0);
    QTest::newRow("after 40 ms") << Chunks{{40, "1.00000E+3\r\n"}} << "1.00000E+3\r\n"
                                 << qint64(40);
    QTest::newRow("CR, the LF 3 ms later is not waited for")
        << Chunks{{10, "1.00000E+3\r"}, {13, "\n"}} << "1.00000E+3\r" << qint64(10);
    QTest::newRow("CR alone") << Chunks{{10, "1.00000E+3\r"}} << "1.00000E+3\r" << qint64(10);
    QTest::newRow("in pieces") << Chunks{{5, "1.000"}, {9, "00E+3"}, {12, "\r\n"}}
                               << "1.00000E+3\r\n"
                               << qint64(12);
    QTest::newRow("never") << Chunks{} << QString() << second;
    QTest::newRow("no line end") << Chunks{{5, "1.00000E+3"}} << "1.00000E+3" << second;
    QTest::newRow("after the second") << Chunks{{1500, "1.00000E+3\r"}} << QString() << second;
}

void ExchangeTest::queryWaitsForItsReply() {
    QFETCH(Chunks, reply);
    QFETCH(QString, read);
    QFETCH(qint64, waited);
    Line l;
    l.port.responder = [&](const QByteArray&) { return reply; };
    if (read.isNull()) {
        try {
            l.link.processEcho(QStringLiteral("FREQ?"));
            QFAIL("a query with no answer must end the operation");
        } catch (const kx::OperationFailed& failure) {
            QCOMPARE(failure.message,
                     QStringLiteral("No valid answer from the generator to FREQ?"));
        }
    } else {
        l.link.processEcho(QStringLiteral("FREQ?"));
    }
    qint64 total = 0;
    for (const auto& w : l.clock.waits)
        total += w.waited;
    QCOMPARE(total, waited);
    QCOMPARE(l.link.readReceived(), read.isNull() ? QString() : read);
}

void ExchangeTest::lateReplyIsNotTakenForTheNextAnswer() {
    Line l;
    // The answer to FREQ? comes after the query has given up on it.
    l.port.responder = [](const QByteArray& line) -> Chunks {
        if (line == "FREQ?")
            return {{1200, "1.00000E+3\r"}};
        return {{0, "5.00000E+0\r"}};
    };
    QVERIFY_THROWS_EXCEPTION(kx::OperationFailed, l.link.processEcho(QStringLiteral("FREQ?")));
    QCOMPARE(l.link.readReceived(), QString());
    l.clock.advance(500); // the late answer arrives in between
    l.link.processEcho(QStringLiteral("AMPL?"));
    QCOMPARE(l.link.readReceived(), QStringLiteral("5.00000E+0\r"));
}

void ExchangeTest::leftoverTextBeforeQueryIsDiscarded() {
    Line l;
    l.port.responder = [](const QByteArray&) { return Chunks{{0, "SIN\r"}}; };
    l.port.inject("stale\r\n");
    l.link.processEcho(QStringLiteral("FUNC?"));
    QCOMPARE(l.link.readReceived(), QStringLiteral("SIN\r"));
}

void ExchangeTest::chatterWhileIdleIsDropped() {
    Line l;
    // A device that talks unasked, a megabyte after a setting line.
    l.port.responder = [](const QByteArray& line) {
        return line == "FUNC?" ? Chunks{{0, "SIN\r"}} : Chunks{{0, QByteArray(1 << 20, 'x')}};
    };
    l.link.processEcho(QStringLiteral("OUT ON"));
    QCOMPARE(l.link.readReceived(), QString());
    l.link.processEcho(QStringLiteral("FUNC?"));
    QCOMPARE(l.link.readReceived(), QStringLiteral("SIN\r"));
}

void ExchangeTest::lineFeedOfThePreviousAnswerIsSkipped() {
    Line l;
    // FREQ?'s LF arrives once AMPL? is already waiting for its own answer.
    l.port.responder = [](const QByteArray& line) {
        return line == "FREQ?" ? Chunks{{10, "1.00000E+3\r"}, {20, "\n"}}
                               : Chunks{{0, "\n"}, {30, "5.00000E+0\r\n"}};
    };
    l.link.processEcho(QStringLiteral("FREQ?"));
    QCOMPARE(l.link.readReceived(), QStringLiteral("1.00000E+3\r"));
    l.link.processEcho(QStringLiteral("AMPL?"));
    QCOMPARE(l.link.readReceived(), QStringLiteral("5.00000E+0\r\n"));
}

void ExchangeTest::closedPortSendsNothing() {
    Line l;
    l.link.close();
    QVERIFY_THROWS_EXCEPTION(kx::PortNotOpen, l.link.processEcho(QStringLiteral("OUT ON")));
    QVERIFY(l.port.lines.isEmpty());
    QVERIFY(l.clock.waits.isEmpty());
}

void ExchangeTest::lostLineEndsTheWait() {
    Line l;
    QSignalSpy lost(&l.link, &kx::Exchange::connectionLost);
    l.clock.duringNextWait = [&] { l.port.pullCable(); };
    QVERIFY_THROWS_EXCEPTION(kx::ConnectionLost, l.link.processEcho(QStringLiteral("FREQ?")));
    QCOMPARE(lost.count(), 1);
    QCOMPARE(l.lastWait(), 0);
    QVERIFY(!l.link.isOpen());
    // Once reported, the closed port is just closed.
    l.link.clearLoss();
    QVERIFY_THROWS_EXCEPTION(kx::PortNotOpen, l.link.processEcho(QStringLiteral("FREQ?")));
    // Reconnecting clears everything.
    QVERIFY(l.link.open(QStringLiteral("/dev/null")));
    l.port.responder = [](const QByteArray&) { return Chunks{{0, "SIN\r\n"}}; };
    l.link.processEcho(QStringLiteral("FUNC?"));
    QCOMPARE(l.link.readReceived(), QStringLiteral("SIN\r\n"));
}

void ExchangeTest::shutdownEndsTheWait() {
    Line l;
    l.clock.duringNextWait = [&] { l.link.shutdown(); };
    QVERIFY_THROWS_EXCEPTION(kx::ShuttingDown, l.link.processEcho(QStringLiteral("OUT ON")));
    QCOMPARE(l.lastWait(), 0);
    QVERIFY_THROWS_EXCEPTION(kx::ShuttingDown, l.link.processEcho(QStringLiteral("OUT?")));
    QCOMPARE(l.port.lines, QList<QByteArray>{"OUT ON"});
}

QTEST_MAIN(ExchangeTest)
#include "tst_exchange.moc"
