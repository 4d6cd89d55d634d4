// What kx-bench --server relies on to call a run clean: the tally of each client's
// answers, the choice of queries whose answers tell them apart, and the percentile.

#include "Bench.h"
#include "Tally.h"

#include <QtTest>

using kxbench::AnswerTally;

namespace {

const QHash<QByteArray, QByteArray> answers{
    {"FREQ?", "1.00000E+03"}, {"AMPL?", "1.00000E+00"}, {"OFFS?", "0.00000E+00"}};

} // namespace

class BenchTallyTest : public QObject {
    Q_OBJECT
private slots:
    void tally_data();
    void tally();
    void telling_data();
    void telling();
    void percentile_data();
    void percentile();
};

// Events in order: "?Q" asks Q, "=A" is answer A coming.
void BenchTallyTest::tally_data() {
    QTest::addColumn<QByteArrayList>("events");
    QTest::addColumn<int>("right");
    QTest::addColumn<int>("wrong");
    QTest::addColumn<int>("unasked");
    QTest::addColumn<bool>("clean");
    QTest::newRow("each answer its own")
        << QByteArrayList{"?FREQ?", "=1.00000E+03", "?AMPL?", "=1.00000E+00"} << 2 << 0 << 0
        << true;
    QTest::newRow("two asked, answered in order")
        << QByteArrayList{"?FREQ?", "?OFFS?", "=1.00000E+03", "=0.00000E+00"} << 2 << 0 << 0
        << true;
    QTest::newRow("two asked, answered the other way round")
        << QByteArrayList{"?FREQ?", "?OFFS?", "=0.00000E+00", "=1.00000E+03"} << 0 << 2 << 0
        << false;
    QTest::newRow("another client's answer")
        << QByteArrayList{"?FREQ?", "=1.00000E+00"} << 0 << 1 << 0 << false;
    QTest::newRow("an answer nobody here asked for")
        << QByteArrayList{"?FREQ?", "=1.00000E+03", "=1.00000E+00"} << 1 << 0 << 1 << false;
    QTest::newRow("an answer missing")
        << QByteArrayList{"?FREQ?", "=1.00000E+03", "?AMPL?"} << 1 << 0 << 0 << false;
    QTest::newRow("an empty answer") << QByteArrayList{"?FREQ?", "="} << 0 << 1 << 0 << false;
    QTest::newRow("a query with no answer known")
        << QByteArrayList{"?FUNC?", "=SIN"} << 0 << 1 << 0 << false;
    QTest::newRow("nothing at all") << QByteArrayList{} << 0 << 0 << 0 << false;
    QTest::newRow("an answer before anything was asked")
        << QByteArrayList{"=1.00000E+03", "?FREQ?", "=1.00000E+03"} << 1 << 0 << 1 << false;
    QTest::newRow("the same query twice")
        << QByteArrayList{"?FREQ?", "?FREQ?", "=1.00000E+03", "=1.00000E+03"} << 2 << 0 << 0
        << true;
    QTest::newRow("one answer lost, the next one late")
        << QByteArrayList{"?FREQ?", "?AMPL?", "=1.00000E+00", "?OFFS?", "=0.00000E+00"} << 0 << 2
        << 0 << false;
    QTest::newRow("a wrong answer, the next ones still checked")
        << QByteArrayList{"?FREQ?", "=0.00000E+00", "?AMPL?", "=1.00000E+00"} << 1 << 1 << 0
        << false;
}

void BenchTallyTest::tally() {
    QFETCH(QByteArrayList, events);
    QFETCH(int, right);
    QFETCH(int, wrong);
    QFETCH(int, unasked);
    QFETCH(bool, clean);
    AnswerTally t(answers);
    int asked = 0;
    for (const QByteArray& e : events) {
        if (e.startsWith('?')) {
            t.asked(e.mid(1));
            ++asked;
        } else {
            t.answered(e.mid(1));
        }
    }
    QCOMPARE(t.askedCount(), asked);
    QCOMPARE(t.right(), right);
    QCOMPARE(t.wrong(), wrong);
    QCOMPARE(t.unasked(), unasked);
    QCOMPARE(t.clean(), clean);
}

void BenchTallyTest::telling_data() {
    QTest::addColumn<QByteArrayList>("candidates");
    QTest::addColumn<QByteArrayList>("kept");
    QTest::newRow("all different")
        << QByteArrayList{"FREQ?", "AMPL?", "OFFS?"} << QByteArrayList{"FREQ?", "AMPL?", "OFFS?"};
    QTest::newRow("one not answered")
        << QByteArrayList{"FREQ?", "SWE?", "OFFS?"} << QByteArrayList{"FREQ?", "OFFS?"};
    QTest::newRow("two the same answer")
        << QByteArrayList{"FREQ?", "AMPL?", "SWSTA?"} << QByteArrayList{"AMPL?"};
    QTest::newRow("none of its own")
        << QByteArrayList{"FREQ?", "SWSTA?", "SWE?"} << QByteArrayList{};
    QTest::newRow("not known at all") << QByteArrayList{"TRIG?"} << QByteArrayList{};
    QTest::newRow("no candidates") << QByteArrayList{} << QByteArrayList{};
}

void BenchTallyTest::telling() {
    QFETCH(QByteArrayList, candidates);
    QFETCH(QByteArrayList, kept);
    QHash<QByteArray, QByteArray> known = answers;
    known.insert("SWSTA?", "1.00000E+03"); // as FREQ?
    known.insert("SWE?", "");
    QCOMPARE(kxbench::telling(candidates, known), kept);
}

void BenchTallyTest::percentile_data() {
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<double>("p");
    QTest::addColumn<double>("result");
    QTest::newRow("none") << QList<double>{} << 90.0 << 0.0;
    QTest::newRow("one") << QList<double>{3} << 90.0 << 3.0;
    QTest::newRow("90th of ten, unsorted")
        << QList<double>{10, 1, 9, 2, 8, 3, 7, 4, 6, 5} << 90.0 << 9.0;
    QTest::newRow("90th of eleven")
        << QList<double>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11} << 90.0 << 10.0;
    QTest::newRow("50th of four") << QList<double>{4, 3, 2, 1} << 50.0 << 2.0;
    QTest::newRow("100th") << QList<double>{4, 3, 2, 1} << 100.0 << 4.0;
    QTest::newRow("10th of ten") << QList<double>{10, 1, 9, 2, 8, 3, 7, 4, 6, 5} << 10.0 << 1.0;
    QTest::newRow("90th, one slow of ten")
        << QList<double>{1, 1, 1, 1, 1, 1, 1, 1, 1, 50} << 90.0 << 1.0;
    QTest::newRow("90th, two slow of ten")
        << QList<double>{1, 1, 1, 1, 1, 1, 1, 1, 40, 50} << 90.0 << 40.0;
}

void BenchTallyTest::percentile() {
    QFETCH(QList<double>, values);
    QFETCH(double, p);
    QFETCH(double, result);
    QCOMPARE(kxbench::percentile(values, p), result);
}

QTEST_APPLESS_MAIN(BenchTallyTest)
#include "tst_bench_tally.moc"
