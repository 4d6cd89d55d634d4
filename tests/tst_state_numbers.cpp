#include "state/Number.h"
#include "state/modVariables.h"

#include <QtTest>

using Decoded = kx::modVariables::Decoded;
Q_DECLARE_METATYPE(kx::modVariables::Decoded)

namespace {

// What a decoder left behind before the reply under test, so "unchanged" can be seen.
const QString oldDisplay = QStringLiteral("old display");
const QString oldUnit = QStringLiteral("old unit");
const QString oldHz = QStringLiteral("old hz");
const QString oldLevel = QStringLiteral("old level");
const QString oldLine = QStringLiteral("old line");

} // namespace

class StateTest : public QObject {
    Q_OBJECT
private slots:
    void parseNumber_data();
    void parseNumber();
    void plainText_data();
    void plainText();
    void frequencyLimits_data();
    void frequencyLimits();
    void limitsStartAtZeroAndKeepTheLastMatch();
    void decodeFrequency_data();
    void decodeFrequency();
    void decodeLevel_data();
    void decodeLevel();
    void firstLine_data();
    void firstLine();
};

void StateTest::parseNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isNumber");
    QTest::addColumn<double>("value");
    const std::pair<const char*, double> numbers[] = {
        {"5", 5},      {"-2", -2},         {"+1e3", 1000},   {".5", 0.5},        {"5.", 5},
        {"0", 0},      {"007", 7},         {"2.5e-1", 0.25}, {"1E3", 1000},      {" 2.5", 2.5},
        {"2.5 ", 2.5}, {"  -1.5  ", -1.5}, {"1e308", 1e308}, {"12000000", 12e6},
    };
    for (const auto& [text, value] : numbers)
        QTest::newRow(qPrintable(QStringLiteral("'%1'").arg(text))) << text << true << value;
    for (const char* text :
         {"inf", "-inf", "nan", "Infinity", "2,5", "5abc", "", "   ", "1e999", "-1e999", ".", "+",
          "-", "e3", "1e", "1e+", "++1", "0x10", "1 2", "1.2.3", "5 V",
          "\xef\xbc\x93" /* full-width 3 */,
          // Only the space character may stand at the ends, and nothing else inside.
          "5\r", "\n5", "\t5", "5\xc2\xa0" /* no-break space */, "\xd9\xa5" /* Arabic-Indic 5 */,
          "5\n",
          "\x7f"
          "5",
          "\v5",
          "\xe2\x80\x83"
          "5" /* em space */})
        QTest::newRow(qPrintable(QStringLiteral("'%1'").arg(QString::fromUtf8(text))))
            << QString::fromUtf8(text) << false << 0.0;
}

void StateTest::parseNumber() {
    QFETCH(QString, text);
    QFETCH(bool, isNumber);
    QFETCH(double, value);
    const std::optional<double> n = kx::parseNumber(text);
    QCOMPARE(n.has_value(), isNumber);
    if (isNumber)
        QCOMPARE(*n, value);
}

void StateTest::plainText_data() {
    QTest::addColumn<double>("x");
    QTest::addColumn<QString>("text");
    QTest::newRow("10") << 10.0 << "10";
    QTest::newRow("0.25") << 0.25 << "0.25";
    QTest::newRow("15 significant digits") << 123.45599999999999 << "123.456";
    QTest::newRow("0.1 + 0.2") << 0.1 + 0.2 << "0.3";
    QTest::newRow("one third") << 1.0 / 3 << "0.333333333333333";
    QTest::newRow("rounds up the 15th digit") << 200.0 / 3 << "66.6666666666667";
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("negative") << -1.5 << "-1.5";
    QTest::newRow("12 MHz") << 12e6 << "12000000";
    QTest::newRow("no exponent for large") << 1e14 << "100000000000000";
    QTest::newRow("no exponent for small") << 0.0001 << "0.0001";
    QTest::newRow("999.999") << 9.99999 * 100 << "999.999";
    QTest::newRow("carries into a new digit") << 999.9999999999999 << "1000";
}

void StateTest::plainText() {
    QFETCH(double, x);
    QFETCH(QString, text);
    QCOMPARE(kx::plainText(x), text);
}

void StateTest::frequencyLimits_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("shape");
    QTest::addColumn<bool>("matches");
    QTest::addColumn<double>("max");
    const std::tuple<const char*, double, double> models[] = {
        {"KX12A", 12e6, 1e6}, {"KX20A", 20e6, 2e6}, {"KX25A", 20e6, 2e6}};
    for (const auto& [model, sineSquare, ramp] : models) {
        for (const char* shape : {"sine", "square"})
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(model, shape)))
                << model << shape << true << sineSquare;
        QTest::newRow(qPrintable(QStringLiteral("%1 ramp").arg(model)))
            << model << "ramp" << true << ramp;
    }
    // Unknown model or waveform: nothing is written.
    for (const char* model : {"", "KX30A", "kx12a", "KX12", "KX12A ", "KX25AB"})
        QTest::newRow(qPrintable(QStringLiteral("model '%1'").arg(model)))
            << model << "sine" << false << 0.0;
    for (const char* shape : {"Sine", "", "SQUARE", "Ramp", "triangle", "sine "})
        QTest::newRow(qPrintable(QStringLiteral("KX25A '%1'").arg(shape)))
            << "KX25A" << shape << false << 0.0;
}

void StateTest::frequencyLimits() {
    QFETCH(QString, model);
    QFETCH(QString, shape);
    QFETCH(bool, matches);
    QFETCH(double, max);
    kx::modVariables v;
    v.modelName = model;
    v.waveShape = shape;
    v.freqMax = -1;
    v.freqMin = -2;
    v.setFrequencyLimits();
    QCOMPARE(v.freqMax, matches ? max : -1.0);
    QCOMPARE(v.freqMin, matches ? 0.01 : -2.0);
}

void StateTest::limitsStartAtZeroAndKeepTheLastMatch() {
    kx::modVariables v;
    v.setFrequencyLimits(); // not connected
    QCOMPARE(v.freqMax, 0.0);
    QCOMPARE(v.freqMin, 0.0);
    v.modelName = QStringLiteral("KX12A");
    v.waveShape = QStringLiteral("ramp");
    v.setFrequencyLimits();
    QCOMPARE(v.freqMax, 1e6);
    v.waveShape = QStringLiteral("Sine");
    v.setFrequencyLimits();
    QCOMPARE(v.freqMax, 1e6);
    QCOMPARE(v.freqMin, 0.01);
    v.modelName.clear();
    v.waveShape = QStringLiteral("sine");
    v.setFrequencyLimits();
    QCOMPARE(v.freqMax, 1e6);
}

void StateTest::decodeFrequency_data() {
    QTest::addColumn<QString>("reply");
    QTest::addColumn<Decoded>("result");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("hz");
    auto ok = [](const char* reply, const char* display, const char* unit, const char* hz) {
        QTest::newRow(reply) << reply << Decoded::Ok << display << unit << hz;
    };
    auto unchanged = [](const char* name, const char* reply, Decoded result) {
        QTest::newRow(name) << reply << result << oldDisplay << oldUnit << oldHz;
    };
    // The worked examples.
    ok("1.00000E+3", "1.00000", "kHz", "1000");
    ok("1.00000E+4", "10", "kHz", "10000");
    ok("1.23456E+5", "123.456", "kHz", "123456");
    ok("5.00000E+0", "5.00000", "Hz", "5.00000");
    ok("2.50000E-1", "0.25", "Hz", "0.25");
    ok("9.99999E+2", "999.999", "Hz", "999.999");
    ok("1.00000E+6", "1.00000", "MHz", "1000000");
    ok("1.20000E+7", "12", "MHz", "12000000");
    unchanged("1.00000E+8", "1.00000E+8", Decoded::NoMatch);
    // Every other row, and the edge cases.
    ok("5.00000E-2", "0.05", "Hz", "0.05");
    ok("1.23000E+1", "12.3", "Hz", "12.3");
    ok("10.0000E+2", "1000", "Hz", "1000");
    ok("1.23456E+3", "1.23456", "kHz", "1234.56");
    ok("2.50000E+6", "2.50000", "MHz", "2500000");
    ok("1.5E+7", "15", "MHz", "15000000");
    ok("0.00000E+4", "0", "kHz", "0");
    QTest::newRow("CR LF after the tag") << "1.00000E+3\r\n"
                                         << Decoded::Ok << "1.00000"
                                         << "kHz"
                                         << "1000";
    // The whole exponent counts, however many digits it is written with.
    ok("2.50000E+03", "2.50000", "kHz", "2500");
    ok("1.20000E+07", "12", "MHz", "12000000");
    ok("5.00000E-02", "0.05", "Hz", "0.05");
    ok("1.00000E+000", "1.00000", "Hz", "1.00000");
    ok("2.5E3", "2.5", "kHz", "2500");
    unchanged("two-digit exponent above the table", "1.00000E+10", Decoded::NoMatch);
    unchanged("two-digit exponent below the table", "1.00000E-10", Decoded::NoMatch);
    unchanged("an exponent too long for any row", "1.0E+10000000000000000003", Decoded::NoMatch);
    ok("1.0E+00000000000000000003", "1.0", "kHz", "1000");
    ok("5.00000E-0", "5.00000", "Hz", "5.00000");
    unchanged("an exponent just past an int", "1.0E+2147483648", Decoded::NoMatch);
    unchanged("two signs", "1.00000E+-3", Decoded::NoMatch);
    QTest::newRow("the first E counts") << "1.0E+3E+6" << Decoded::Ok << "1.0"
                                        << "kHz"
                                        << "1000";
    unchanged("below the table", "1.00000E-3", Decoded::NoMatch);
    unchanged("tag cut short", "1.00000E+", Decoded::NoMatch);
    unchanged("bare E", "1.00000E", Decoded::NoMatch);
    unchanged("blank in the tag", "1.00000E 3", Decoded::NoMatch);
    unchanged("lower-case e", "1.00000e+3", Decoded::Failed);
    unchanged("empty reply", "", Decoded::Failed);
    // A mantissa that is not a number: nothing is shown, whichever the row.
    unchanged("empty mantissa, copying row", "E+0", Decoded::Failed);
    unchanged("empty mantissa, kHz row", "E+3", Decoded::Failed);
    unchanged("empty mantissa, multiplying row", "E+4", Decoded::Failed);
    unchanged("garbled, copying row", "abcE+0", Decoded::Failed);
    unchanged("garbled, kHz row", "abcE+3", Decoded::Failed);
    unchanged("garbled, MHz row", "abcE+6", Decoded::Failed);
    unchanged("garbled, multiplying row", "1,5E+1", Decoded::Failed);
    unchanged("overflow multiplying", "1e308E+7", Decoded::Failed);
    unchanged("overflow to hertz", "1e308E+3", Decoded::Failed);
}

void StateTest::decodeFrequency() {
    QFETCH(QString, reply);
    QFETCH(Decoded, result);
    QFETCH(QString, display);
    QFETCH(QString, unit);
    QFETCH(QString, hz);
    kx::modVariables v;
    v.freqDisplay = oldDisplay;
    v.freqUnit = oldUnit;
    v.freqHzText = oldHz;
    v.levelDisplay = oldLevel;
    QCOMPARE(v.decodeFrequencyReply(reply), result);
    QCOMPARE(v.freqDisplay, display);
    QCOMPARE(v.freqUnit, unit);
    QCOMPARE(v.freqHzText, hz);
    QCOMPARE(v.levelDisplay, oldLevel);
}

void StateTest::decodeLevel_data() {
    QTest::addColumn<QString>("reply");
    QTest::addColumn<Decoded>("result");
    QTest::addColumn<QString>("level");
    auto ok = [](const char* reply, const char* level) {
        QTest::newRow(reply) << reply << Decoded::Ok << level;
    };
    auto unchanged = [](const char* name, const char* reply, Decoded result) {
        QTest::newRow(name) << reply << result << oldLevel;
    };
    // The worked examples.
    ok("5.00000E+0", "5.00000");
    ok("-1.50000E+0", "-1.50000");
    ok("2.50000E-1", "0.25");
    ok("1.00000E+1", "10");
    // Millivolts and below, which the panel accepts for the offset.
    ok("1.00000E-3", "0.001");
    ok("5.00000E-3", "0.005");
    ok("-5.00000E-03", "-0.005");
    ok("1.50000E-6", "0.0000015");
    ok("1.00000E-9", "0.000000001");
    unchanged("below the table", "1.00000E-10", Decoded::NoMatch);
    // Two-digit exponents, as C's printf writes them.
    ok("2.50000E+01", "25");
    ok("5.00000E+00", "5.00000");
    unchanged("two-digit exponent above the table", "1.00000E+03", Decoded::NoMatch);
    // Every other row, and the edge cases.
    ok("5.00000E-2", "0.05");
    ok("1.23000E+2", "123");
    ok("-2.50000E-1", "-0.25");
    ok("0.00000E-1", "0");
    ok("-0.00000E+0", "-0.00000");
    QTest::newRow("CR LF after the tag") << "5.00000E+0\r\n" << Decoded::Ok << "5.00000";
    unchanged("frequency tag", "1.00000E+3", Decoded::NoMatch);
    unchanged("tag cut short", "1.0E-", Decoded::NoMatch);
    unchanged("lower-case e", "5.00000e+0", Decoded::Failed);
    unchanged("empty reply", "", Decoded::Failed);
    unchanged("empty mantissa", "E+0", Decoded::Failed);
    unchanged("garbled, copying row", "abcE+0", Decoded::Failed);
    unchanged("garbled, multiplying row", "abcE+1", Decoded::Failed);
    unchanged("overflow", "1e308E+2", Decoded::Failed);
}

void StateTest::decodeLevel() {
    QFETCH(QString, reply);
    QFETCH(Decoded, result);
    QFETCH(QString, level);
    kx::modVariables v;
    v.levelDisplay = oldLevel;
    v.levelText = oldLevel;
    v.freqDisplay = oldDisplay;
    QCOMPARE(v.decodeLevelReply(reply), result);
    QCOMPARE(v.levelDisplay, level);
    QCOMPARE(v.levelText, level);
    QCOMPARE(v.freqDisplay, oldDisplay);
}

void StateTest::firstLine_data() {
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("line");
    QTest::newRow("LIN ON CR LF") << "LIN ON\r\n" << true << "LIN ON";
    QTest::newRow("CR LF") << "\r\n" << true << "";
    QTest::newRow("AM INT CR") << "AM INT\r" << true << "AM INT";
    QTest::newRow("first of several") << "AM INT\rFM EXT\r" << true << "AM INT";
    QTest::newRow("LF is not a line end") << "A\nB\r" << true << "A\nB";
    QTest::newRow("no CR") << "AM INT" << false << oldLine;
    QTest::newRow("LF only") << "AM INT\n" << false << oldLine;
    QTest::newRow("empty") << "" << false << oldLine;
}

void StateTest::firstLine() {
    QFETCH(QString, reply);
    QFETCH(bool, found);
    QFETCH(QString, line);
    kx::modVariables v;
    v.replyLine = oldLine;
    QCOMPARE(v.firstReplyLine(reply), found);
    QCOMPARE(v.replyLine, line);
}

QTEST_APPLESS_MAIN(StateTest)
#include "tst_state_numbers.moc"
