#include "support/FakeClock.h"
#include "support/FakeSerialPort.h"

#include "link/Exchange.h"
#include "link/LinkError.h"

#include <QtTest>

using namespace kxtest;
using Chunks = QList<FakeSerialPort::Chunk>;
using Answers = QHash<QByteArray, Chunks>; // by line; "" for any other

// The wall clock is set `byMs` on (back when negative) `atMs` after the first query went
// out, as a time server stepping it would; 0 for none.
struct WallStep {
    qint64 atMs = 0;
    qint64 byMs = 0;
};
Q_DECLARE_METATYPE(WallStep)

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
    void unansweredLeavesNothingForTheNextQuery_data();
    void unansweredLeavesNothingForTheNextQuery();
    void echoIsSkipped_data();
    void echoIsSkipped();
    void queryReadsOnlyItsOwnAnswer_data();
    void queryReadsOnlyItsOwnAnswer();
    void closedPortSendsNothing();
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
    void step(const WallStep& w) {
        if (w.byMs != 0)
            clock.stepWallAt(clock.steadyMsecs() + w.atMs, w.byMs);
    }
};

constexpr qint64 hour = 3'600'000;

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
    QTest::addColumn<WallStep>("wallStep");
    const qint64 second = kx::Exchange::replyTimeoutMs;
    QTest::newRow("at once, CR LF") << Chunks{{0, "1.00000E+3\r\n"}} << "1.00000E+3\r\n"
                                    << qint64(0) << WallStep{};
    QTest::newRow("after 40 ms") << Chunks{{40, "1.00000E+3\r\n"}} << "1.00000E+3\r\n"
                                 << qint64(40) << WallStep{};
    QTest::newRow("CR, the LF 3 ms later is not waited for")
        << Chunks{{10, "1.00000E+3\r"}, {13, "\n"}} << "1.00000E+3\r" << qint64(10) << WallStep{};
    QTest::newRow("CR alone") << Chunks{{10, "1.00000E+3\r"}} << "1.00000E+3\r" << qint64(10)
                              << WallStep{};
    QTest::newRow("in pieces") << Chunks{{5, "1.000"}, {9, "00E+3"}, {12, "\r\n"}}
                               << "1.00000E+3\r\n"
                               << qint64(12) << WallStep{};
    QTest::newRow("never") << Chunks{} << QString() << second << WallStep{};
    QTest::newRow("no line end") << Chunks{{5, "1.00000E+3"}} << QString() << second << WallStep{};
    QTest::newRow("after the second")
        << Chunks{{1500, "1.00000E+3\r"}} << QString() << second << WallStep{};
    QTest::newRow("its CR after the second")
        << Chunks{{900, "1.00000E+3"}, {1100, "\r"}} << QString() << second << WallStep{};
    Chunks trickle; // a character at a time, the last one (the CR) at 0.8 s
    for (int i = 0; i < 11; ++i)
        trickle << FakeSerialPort::Chunk{80 * (i + 1) - 80, QByteArray(1, "1.00000E+3\r"[i])};
    QTest::newRow("trickling in over 0.8 s")
        << trickle << "1.00000E+3\r" << qint64(800) << WallStep{};
    // Setting the wall clock neither stretches nor cuts the wait.
    QTest::newRow("never, the wall clock set back an hour meanwhile")
        << Chunks{} << QString() << second << WallStep{500, -hour};
    QTest::newRow("never, the wall clock set on an hour meanwhile")
        << Chunks{} << QString() << second << WallStep{500, hour};
    QTest::newRow("after 40 ms, the wall clock set on an hour before")
        << Chunks{{40, "1.00000E+3\r"}} << "1.00000E+3\r" << qint64(40) << WallStep{20, hour};
}

void ExchangeTest::queryWaitsForItsReply() {
    QFETCH(Chunks, reply);
    QFETCH(QString, read);
    QFETCH(qint64, waited);
    QFETCH(WallStep, wallStep);
    Line l;
    l.port.responder = [&](const QByteArray&) { return reply; };
    l.step(wallStep);
    const qint64 start = l.clock.steadyMsecs();
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
    QCOMPARE(l.clock.steadyMsecs() - start, waited);
    QCOMPARE(l.link.readReceived(), read.isNull() ? QString() : read);
}

// After a query went unanswered, whatever it still brings is dropped before the next
// line goes out: the next query reads its own answer and nothing of the late one, even
// when that one's own answer is slow enough for a late byte to come first.
void ExchangeTest::unansweredLeavesNothingForTheNextQuery_data() {
    QTest::addColumn<Chunks>("late");      // what FREQ? brings
    QTest::addColumn<qint64>("nextAfter"); // when AMPL? is asked, after FREQ? went out
    QTest::addColumn<qint64>("nextSent");  // when AMPL? went out
    QTest::addColumn<WallStep>("wallStep");
    const qint64 quiet = kx::Exchange::quietMs;
    const qint64 limit = kx::Exchange::settleLimitMs;
    const auto trickle = [](int everyMs) {
        Chunks c;
        const QByteArray answer = "1.00000E+3\r\n";
        for (int i = 0; i < answer.size(); ++i)
            c << FakeSerialPort::Chunk{everyMs * (i + 1), answer.mid(i, 1)};
        return c;
    };
    // Over 1.5 s, a character every 115 ms: the rest comes after the second, each byte
    // well within the quiet spell of the one before, so the spell counts from the LF
    // (at 1380 ms).
    QTest::newRow("trickle over 1.5 s, asked at once")
        << trickle(115) << qint64(1000) << qint64(1380 + quiet) << WallStep{};
    QTest::newRow("trickle over 1.5 s, asked later")
        << trickle(115) << qint64(3000) << qint64(3000) << WallStep{};
    QTest::newRow("whole answer after the second, asked at 1.5 s")
        << Chunks{{1200, "1.00000E+3\r"}} << qint64(1500) << qint64(1200 + quiet) << WallStep{};
    QTest::newRow("late CR") << Chunks{{900, "1.00000E+3"}, {1100, "\r\n"}} << qint64(1000)
                             << qint64(1100 + quiet) << WallStep{};
    QTest::newRow("whole answer late, asked while it comes")
        << Chunks{{1010, "1.00000E+3\r"}} << qint64(1000) << qint64(1010 + quiet) << WallStep{};
    QTest::newRow("silence: a quiet spell")
        << Chunks{} << qint64(1000) << qint64(1000 + quiet) << WallStep{};
    QTest::newRow("a line that never ends: at most the settling limit")
        << Chunks{{900, "1.0"}} << qint64(1000) << qint64(1000 + limit) << WallStep{};
    // Half a second late, the whole answer is still dropped, whenever the next query is
    // asked.
    QTest::newRow("whole answer 100 ms after the verdict, asked at once")
        << Chunks{{1100, "1.00000E+3\r"}} << qint64(1000) << qint64(1100 + quiet) << WallStep{};
    QTest::newRow("whole answer 300 ms after the verdict, asked at once")
        << Chunks{{1300, "1.00000E+3\r\n"}} << qint64(1000) << qint64(1300 + quiet) << WallStep{};
    QTest::newRow("whole answer 300 ms after the verdict, asked 200 ms after it")
        << Chunks{{1300, "1.00000E+3\r"}} << qint64(1200) << qint64(1300 + quiet) << WallStep{};
    QTest::newRow("whole answer 490 ms after the verdict, asked at once")
        << Chunks{{1490, "1.00000E+3\r"}} << qint64(1000) << qint64(1490 + quiet) << WallStep{};
    QTest::newRow("whole answer 490 ms after the verdict, asked 480 ms after it")
        << Chunks{{1490, "1.00000E+3\r\n"}} << qint64(1480) << qint64(1490 + quiet) << WallStep{};
    // An answer begun only after the verdict is waited for to its CR too, however long
    // it pauses: up to the settling limit.
    QTest::newRow("late answer begun after the verdict, paused longer than the quiet spell")
        << Chunks{{1050, "1.00000"}, {1050 + quiet + 10, "E+3\r"}} << qint64(1000)
        << qint64(1000 + limit) << WallStep{};
    // Setting the wall clock during the reply wait or the settling changes neither.
    QTest::newRow("silence, the wall clock set back an hour in the quiet spell")
        << Chunks{} << qint64(1000) << qint64(1000 + quiet) << WallStep{1000 + quiet / 2, -hour};
    QTest::newRow("silence, the wall clock set back an hour during the reply wait")
        << Chunks{} << qint64(1000) << qint64(1000 + quiet) << WallStep{500, -hour};
    QTest::newRow("whole answer late, the wall clock set on an hour before it")
        << Chunks{{int(1000 + quiet / 2), "1.00000E+3\r"}} << qint64(1000)
        << qint64(1000 + quiet / 2 + quiet) << WallStep{1000 + quiet / 4, hour};
    QTest::newRow("late CR, the wall clock set on an hour before it")
        << Chunks{{900, "1.00000E+3"}, {1100, "\r\n"}} << qint64(1000) << qint64(1100 + quiet)
        << WallStep{1050, hour};
    QTest::newRow("a line that never ends, the wall clock set back an hour")
        << Chunks{{900, "1.0"}} << qint64(1000) << qint64(1000 + limit) << WallStep{1500, -hour};
}

void ExchangeTest::unansweredLeavesNothingForTheNextQuery() {
    QFETCH(Chunks, late);
    QFETCH(qint64, nextAfter);
    QFETCH(qint64, nextSent);
    QFETCH(WallStep, wallStep);
    // The next query's own answer comes this late: a byte of the old answer that got
    // through would come before it.
    constexpr int nextAnswerMs = 900;
    Line l;
    qint64 sentAt = 0;
    l.port.responder = [&](const QByteArray& line) -> Chunks {
        if (line == "FREQ?")
            return late;
        sentAt = l.clock.steadyMsecs();
        return {{nextAnswerMs, "5.00000E+0\r"}};
    };
    l.step(wallStep);
    const qint64 start = l.clock.steadyMsecs();
    QVERIFY_THROWS_EXCEPTION(kx::OperationFailed, l.link.processEcho(QStringLiteral("FREQ?")));
    QCOMPARE(l.link.readReceived(), QString());
    l.clock.advance(nextAfter - (l.clock.steadyMsecs() - start));
    l.link.processEcho(QStringLiteral("AMPL?"));
    QCOMPARE(l.link.readReceived(), QStringLiteral("5.00000E+0\r"));
    QCOMPARE(sentAt - start, nextSent);
    // Nothing of the late answer is read later either.
    l.clock.advance(2000);
    l.link.processEcho(QStringLiteral("AMPL?"));
    QCOMPARE(l.link.readReceived(), QStringLiteral("5.00000E+0\r"));
}

// An instrument (or an adapter) that echoes every line: the echo is not the answer,
// whether it comes at once, with CR LF, or late enough to fall into the next query.
void ExchangeTest::echoIsSkipped_data() {
    QTest::addColumn<QByteArray>("lineEnd");
    QTest::addColumn<int>("echoDelayMs");
    QTest::newRow("CR, at once") << QByteArray("\r") << 0;
    QTest::newRow("CR LF, at once") << QByteArray("\r\n") << 0;
    QTest::newRow("CR, the setting's echo inside the next query") << QByteArray("\r") << 5;
}

void ExchangeTest::echoIsSkipped() {
    QFETCH(QByteArray, lineEnd);
    QFETCH(int, echoDelayMs);
    Line l;
    l.clock.setWall(1'765'108'800'998); // the setting line's pause is 2 ms
    l.port.responder = [&](const QByteArray& line) {
        Chunks c{{echoDelayMs, line + lineEnd}};
        if (line == "FREQ?")
            c << FakeSerialPort::Chunk{echoDelayMs + 10, "2.50000E+3" + lineEnd};
        return c;
    };
    l.link.processEcho(QStringLiteral("FREQ 2.5KHZ"));
    l.link.processEcho(QStringLiteral("FREQ?"));
    QCOMPARE(l.link.readReceived(), QString::fromLatin1("2.50000E+3" + lineEnd));
    // The answer itself is never skipped, even when it reads like an earlier line.
    l.port.responder = [&](const QByteArray& line) {
        return Chunks{{0, line + lineEnd}, {1, "FREQ 2.5KHZ" + lineEnd}};
    };
    l.link.processEcho(QStringLiteral("MODE?"));
    QCOMPARE(l.link.readReceived(), QString::fromLatin1("FREQ 2.5KHZ" + lineEnd));
}

// What the line brings besides a query's answer is not read as it: text left before
// the query or already waiting when the port opens, a device talking unasked (a
// megabyte after a setting line), or the LF of the previous answer arriving once the
// next query waits.
void ExchangeTest::queryReadsOnlyItsOwnAnswer_data() {
    QTest::addColumn<QByteArray>("stale"); // on the line before the first
    QTest::addColumn<bool>("atOpen");      // the stale text already waits as the port opens
    QTest::addColumn<Answers>("answers");
    QTest::addColumn<QList<QByteArray>>("sent");
    QTest::addColumn<QStringList>("read"); // after each line sent
    QTest::newRow("leftover text before the query discarded")
        << QByteArray("stale\r\n") << false << Answers{{"", {{0, "SIN\r"}}}}
        << QList<QByteArray>{"FUNC?"} << QStringList{"SIN\r"};
    QTest::newRow("text waiting when the port opens discarded")
        << QByteArray("KX12A,old\r\n") << true << Answers{{"", {{5, "KX25A\r"}}}}
        << QList<QByteArray>{"*IDN?"} << QStringList{"KX25A\r"};
    QTest::newRow("half a line waiting when the port opens discarded")
        << QByteArray("E+3") << true << Answers{{"", {{5, "1.00000E+3\r"}}}}
        << QList<QByteArray>{"FREQ?"} << QStringList{"1.00000E+3\r"};
    QTest::newRow("chatter while idle dropped")
        << QByteArray() << false
        << Answers{{"FUNC?", {{0, "SIN\r"}}}, {"", {{0, QByteArray(1 << 20, 'x')}}}}
        << QList<QByteArray>{"OUT ON", "FUNC?"} << QStringList{"", "SIN\r"};
    QTest::newRow("line feed of the previous answer skipped")
        << QByteArray() << false
        << Answers{{"FREQ?", {{10, "1.00000E+3\r"}, {20, "\n"}}},
                   {"", {{0, "\n"}, {30, "5.00000E+0\r\n"}}}}
        << QList<QByteArray>{"FREQ?", "AMPL?"} << QStringList{"1.00000E+3\r", "5.00000E+0\r\n"};
}

void ExchangeTest::queryReadsOnlyItsOwnAnswer() {
    QFETCH(QByteArray, stale);
    QFETCH(bool, atOpen);
    QFETCH(Answers, answers);
    QFETCH(QList<QByteArray>, sent);
    QFETCH(QStringList, read);
    Line l;
    l.port.responder = [&](const QByteArray& line) {
        return answers.value(answers.contains(line) ? line : QByteArray());
    };
    if (atOpen) {
        l.link.close();
        l.port.inject(stale);
        QVERIFY(l.link.open(QStringLiteral("/dev/null")));
    } else if (!stale.isEmpty()) {
        l.port.inject(stale);
    }
    for (qsizetype i = 0; i < sent.size(); ++i) {
        l.link.processEcho(QString::fromLatin1(sent[i]));
        QCOMPARE(l.link.readReceived(), read[i]);
    }
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

QTEST_GUILESS_MAIN(ExchangeTest)
#include "tst_link_exchange.moc"
