// The simulated generator's model, in-process: settings, answers, limits, memory, and
// how it takes bytes off the line.

#include "sim/Generator.h"

#include <QTest>

using kxsim::Generator;
using kxsim::Settings;

namespace {

const kxsim::ModelProfile& profileOf(const QString& model) {
    const kxsim::ModelProfile* profile = kxsim::findProfile(model);
    if (!profile)
        qFatal("no profile %s", qPrintable(model));
    return *profile;
}

void apply(Generator& generator, const QByteArrayList& lines) {
    for (const QByteArray& line : lines)
        generator.handleLine(line);
}

QByteArray answer(Generator& generator, const QByteArray& query) {
    return generator.handleLine(query).value_or("<none>");
}

} // namespace

class tst_generator : public QObject {
    Q_OBJECT

private slots:
    void settingChangesAnswer_data();
    void settingChangesAnswer();
    void formatNumber_data();
    void formatNumber();
    void lowerCaseExponentFault();
    void identification_data();
    void identification();
    void limits_data();
    void limits();
    void waveformChangeKeepsValuesInRange();
    void memory_data();
    void memory();
    void factorySetUp_data();
    void factorySetUp();
    void feed_data();
    void feed();
    void feedKeepsReceivedLines();
    void answersEndWithChosenLineEnd();
};

void tst_generator::settingChangesAnswer_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<QByteArrayList>("setup");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QByteArray>("expected");

    const QString kx25 = QStringLiteral("KX25A");
    const QString kx12 = QStringLiteral("KX12A");
    auto row = [](const char* name, const QString& model, const QByteArrayList& setup,
                  const QByteArrayList& lines, const QByteArray& query,
                  const QByteArray& expected) {
        QTest::newRow(name) << model << setup << lines << query << expected;
    };
    row("square", kx25, {}, {"FUNC SQU"}, "FUNC?", "SQU");
    row("ramp, lower case", kx12, {}, {"func tri"}, "FUNC?", "TRI");
    row("sine", kx25, {"FUNC SQU"}, {"FUNC SIN"}, "FUNC?", "SIN");
    row("output on", kx25, {}, {"OUT ON"}, "OUT?", "1");
    row("output off", kx25, {"OUT ON"}, {"OUT OFF"}, "OUT?", "0");
    row("frequency kHz", kx25, {}, {"FREQ 2.5KHZ"}, "FREQ?", "2.50000E+3");
    row("frequency MHz", kx12, {}, {"FREQ 12MHZ"}, "FREQ?", "1.20000E+7");
    row("frequency below 1 Hz", kx25, {}, {"FREQ 0.25HZ"}, "FREQ?", "2.50000E-1");
    row("frequency mixed-case unit", kx25, {}, {"FREQ 3mHz"}, "FREQ?", "3.00000E+6");
    row("frequency bare hertz", kx25, {}, {"FREQ 1500"}, "FREQ?", "1.50000E+3");
    row("amplitude", kx25, {}, {"AMPL 2.5"}, "AMPL?", "2.50000E+0");
    row("offset", kx25, {}, {"OFFS -1.5"}, "OFFS?", "-1.50000E+0");
    row("duty cycle", kx25, {"FUNC SQU"}, {"DCYC 30"}, "DCYC?", "3.00000E+1");
    row("linear sweep", kx25, {}, {"SWE LIN", "SWE ON"}, "SWE?", "LIN ON");
    row("log sweep", kx25, {}, {"SWE LOG", "SWE ON"}, "SWE?", "LOG ON");
    row("sweep off", kx25, {"SWE ON"}, {"SWE OFF"}, "SWE?", "OFF");
    row("sweep start", kx25, {}, {"SWSTA 5KHZ"}, "SWSTA?", "5.00000E+3");
    row("sweep stop, kHZ", kx25, {}, {"SWSTO 5kHZ"}, "SWSTO?", "5.00000E+3");
    row("sweep rate", kx25, {}, {"SWRA 0.5S"}, "SWRA?", "5.00000E-1");
    row("AM on", kx25, {}, {"MODUL AM"}, "MODUL?", "AM INT");
    row("FM external", kx25, {}, {"MODUL FM", "MODUL EXT"}, "MODUL?", "FM EXT");
    row("source alone switches on", kx25, {}, {"MODUL EXT"}, "MODUL?", "AM EXT");
    row("FM internal", kx25, {"MODUL EXT"}, {"MODUL FM", "MODUL INT"}, "MODUL?", "FM INT");
    row("modulation off", kx25, {"MODUL FM"}, {"MODUL OFF"}, "MODUL?", "OFF");
    row("modulation shape", kx25, {}, {"MODSH TRI"}, "MODSH?", "TRI");
    row("modulating frequency", kx25, {}, {"MODFR 20KHZ"}, "MODFR?", "2.00000E+4");
    row("modulating frequency low", kx25, {}, {"MODFR 0.01HZ"}, "MODFR?", "1.00000E-2");
    row("depth", kx25, {}, {"DEPT 75"}, "DEPT?", "7.50000E+1");
    row("deviation", kx25, {}, {"DEV 5kHz"}, "DEV?", "5.00000E+3");
    row("mode triggered", kx25, {}, {"MODE TRIG"}, "MODE?", "TRIG");
    row("mode gate", kx25, {}, {"MODE GATE"}, "MODE?", "GATE");
    row("mode burst", kx25, {}, {"MODE BURS"}, "MODE?", "BURS");
    row("mode continuous", kx25, {"MODE GATE"}, {"MODE CONT"}, "MODE?", "CONT");
    row("trigger source", kx25, {}, {"TRIG EXT"}, "TRIG?", "EXT");
}

void tst_generator::settingChangesAnswer() {
    QFETCH(QString, model);
    QFETCH(QByteArrayList, setup);
    QFETCH(QByteArrayList, lines);
    QFETCH(QByteArray, query);
    QFETCH(QByteArray, expected);

    Generator generator(profileOf(model));
    apply(generator, setup);
    const QByteArray before = answer(generator, query);
    apply(generator, lines);
    QCOMPARE(answer(generator, query), expected);
    QVERIFY2(before != expected, "the setting must change the answer");
}

void tst_generator::formatNumber_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("kHz") << 2500.0 << QByteArray("2.50000E+3");
    QTest::newRow("below one") << 0.25 << QByteArray("2.50000E-1");
    QTest::newRow("zero") << 0.0 << QByteArray("0.00000E+0");
    QTest::newRow("negative zero") << -0.0 << QByteArray("0.00000E+0");
    QTest::newRow("negative") << -1.5 << QByteArray("-1.50000E+0");
    QTest::newRow("rounds up into next decade") << 9.999996 << QByteArray("1.00000E+1");
    QTest::newRow("rounds down in decade") << 9.999994 << QByteArray("9.99999E+0");
    QTest::newRow("rounds up to MHz") << 999999.5 << QByteArray("1.00000E+6");
    QTest::newRow("six digits rounded") << 12345678.0 << QByteArray("1.23457E+7");
    QTest::newRow("20 MHz") << 20e6 << QByteArray("2.00000E+7");
    QTest::newRow("lowest frequency") << 0.01 << QByteArray("1.00000E-2");
    QTest::newRow("exact power of ten") << 1000.0 << QByteArray("1.00000E+3");
    QTest::newRow("microsecond") << 1e-6 << QByteArray("1.00000E-6");
}

void tst_generator::formatNumber() {
    QFETCH(double, value);
    QFETCH(QByteArray, expected);
    const Generator generator(profileOf(QStringLiteral("KX25A")));
    QCOMPARE(generator.formatNumber(value), expected);
}

void tst_generator::lowerCaseExponentFault() {
    Generator generator(profileOf(QStringLiteral("KX25A")));
    generator.setLowerCaseExponent(true);
    QCOMPARE(generator.feed("FREQ 2.5KHZ\rFREQ?\rOFFS?\rFUNC?\r"),
             QByteArray("2.50000e+3\r0.00000e+0\rSIN\r"));
}

void tst_generator::identification_data() {
    QTest::addColumn<QString>("model");
    for (const kxsim::ModelProfile& profile : kxsim::profiles())
        QTest::newRow(qPrintable(profile.name)) << profile.name;
}

void tst_generator::identification() {
    QFETCH(QString, model);
    Generator generator(profileOf(model));
    const QByteArray idn = answer(generator, "*idn?");
    // The panel takes the five characters at the first "KX" as the model.
    const qsizetype at = idn.indexOf("KX");
    QVERIFY(at >= 0);
    QCOMPARE(idn.mid(at, 5), model.toLatin1());
    QVERIFY(!idn.contains('\r') && !idn.contains('\n'));
}

void tst_generator::limits_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<QByteArrayList>("setup");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("accepted");

    const QString kx12 = QStringLiteral("KX12A");
    const QString kx20 = QStringLiteral("KX20A");
    const QString kx25 = QStringLiteral("KX25A");
    auto row = [](const char* name, const QString& model, const QByteArrayList& setup,
                  const QByteArray& line,
                  bool accepted) { QTest::newRow(name) << model << setup << line << accepted; };
    // Frequency, per model and waveform.
    row("KX12A sine 12 MHz", kx12, {}, "FREQ 12MHZ", true);
    row("KX12A sine above 12 MHz", kx12, {}, "FREQ 12000.5KHZ", false);
    row("KX12A square 12 MHz", kx12, {"FUNC SQU"}, "FREQ 12MHZ", true);
    row("KX12A ramp 1 MHz", kx12, {"FUNC TRI"}, "FREQ 1MHZ", true);
    row("KX12A ramp 1.5 MHz", kx12, {"FUNC TRI"}, "FREQ 1.5MHZ", false);
    row("KX20A ramp 1.5 MHz", kx20, {"FUNC TRI"}, "FREQ 1.5MHZ", true);
    row("KX20A ramp 2.1 MHz", kx20, {"FUNC TRI"}, "FREQ 2.1MHZ", false);
    row("KX25A sine 20 MHz", kx25, {}, "FREQ 20MHZ", true);
    row("KX25A sine above 20 MHz", kx25, {}, "FREQ 20.001MHZ", false);
    row("lowest frequency", kx25, {}, "FREQ 0.01HZ", true);
    row("below lowest frequency", kx25, {}, "FREQ 0.009HZ", false);
    row("zero frequency", kx25, {}, "FREQ 0HZ", false);
    row("negative frequency", kx25, {}, "FREQ -5HZ", false);
    row("frequency unknown unit", kx25, {}, "FREQ 5XHZ", false);
    row("frequency not a number", kx25, {}, "FREQ abcHZ", false);
    row("frequency too large for a double", kx25, {}, "FREQ 1e999HZ", false);
    row("frequency missing", kx25, {}, "FREQ", false);
    // Amplitude and offset.
    row("amplitude 10", kx25, {}, "AMPL 10", true);
    row("amplitude above 10", kx25, {}, "AMPL 10.01", false);
    row("amplitude 0.01", kx25, {}, "AMPL 0.01", true);
    row("amplitude below 0.01", kx25, {}, "AMPL 0.005", false);
    row("amplitude against offset", kx25, {"OFFS -0.5"}, "AMPL 10", false);
    row("amplitude sum exactly 5", kx25, {"OFFS -0.5"}, "AMPL 9", true);
    row("offset sum exactly 5", kx25, {}, "OFFS 2.5", true);
    row("offset against amplitude", kx25, {}, "OFFS 2.51", false);
    row("offset near 5 at low amplitude", kx25, {"AMPL 0.01"}, "OFFS -4.995", true);
    row("offset above 5", kx25, {"AMPL 0.01"}, "OFFS 5.1", false);
    // Duty cycle and symmetry.
    row("square duty 20", kx25, {"FUNC SQU"}, "DCYC 20", true);
    row("square duty 80", kx25, {"FUNC SQU"}, "DCYC 80", true);
    row("square duty 19", kx25, {"FUNC SQU"}, "DCYC 19", false);
    row("square duty 81", kx25, {"FUNC SQU"}, "DCYC 81", false);
    row("ramp symmetry 1", kx25, {"FUNC TRI"}, "DCYC 1", true);
    row("ramp symmetry 99", kx25, {"FUNC TRI"}, "DCYC 99", true);
    row("ramp symmetry 0", kx25, {"FUNC TRI"}, "DCYC 0", false);
    row("ramp symmetry 99.5", kx25, {"FUNC TRI"}, "DCYC 99.5", false);
    row("sine has no duty cycle", kx25, {}, "DCYC 30", false);
    // Sweep.
    row("KX12A sweep start 12 MHz", kx12, {}, "SWSTA 12MHZ", true);
    row("KX12A sweep start 13 MHz", kx12, {}, "SWSTA 13MHZ", false);
    row("KX12A ramp sweep stop 1.5 MHz", kx12, {"FUNC TRI"}, "SWSTO 1.5MHZ", false);
    row("KX20A ramp sweep stop 1.5 MHz", kx20, {"FUNC TRI"}, "SWSTO 1.5MHZ", true);
    row("sweep rate 0.01 s", kx25, {}, "SWRA 0.01S", true);
    row("sweep rate 100 s", kx25, {}, "SWRA 100S", true);
    row("sweep rate 0.009 s", kx25, {}, "SWRA 0.009S", false);
    row("sweep rate 100.5 s", kx25, {}, "SWRA 100.5S", false);
    row("sweep unknown word", kx25, {}, "SWE UP", false);
    // Modulation.
    row("KX12A square modulation", kx12, {}, "MODSH SQU", false);
    row("KX20A square modulation", kx20, {}, "MODSH SQU", true);
    row("KX25A triangle modulation", kx25, {}, "MODSH TRI", true);
    row("unknown modulation shape", kx25, {}, "MODSH SAW", false);
    row("modulating 20 kHz", kx25, {}, "MODFR 20KHZ", true);
    row("modulating 20001 Hz", kx25, {}, "MODFR 20001HZ", false);
    row("modulating 0.009 Hz", kx25, {}, "MODFR 0.009HZ", false);
    row("modulating in MHz", kx25, {}, "MODFR 0.01MHZ", false);
    row("depth 0", kx25, {}, "DEPT 0", true);
    row("depth 100", kx25, {}, "DEPT 100", true);
    row("depth 100.5", kx25, {}, "DEPT 100.5", false);
    row("depth -1", kx25, {}, "DEPT -1", false);
    row("KX12A deviation 12 MHz", kx12, {}, "DEV 12MHz", true);
    row("KX12A deviation 13 MHz", kx12, {}, "DEV 13MHz", false);
    row("unknown modulation word", kx25, {}, "MODUL PM", false);
    // Trigger.
    row("trigger 1 us", kx25, {}, "TRIG 1US", true);
    row("trigger 0.5 us", kx25, {}, "TRIG 0.5US", false);
    row("trigger 0.001 ms", kx25, {}, "TRIG 0.001MS", true);
    row("trigger 10000 ms", kx25, {}, "TRIG 10000MS", true);
    row("trigger 10001 ms", kx25, {}, "TRIG 10001MS", false);
    row("trigger 10 s", kx25, {}, "TRIG 10S", true);
    row("trigger 10.5 s", kx25, {}, "TRIG 10.5S", false);
    row("unknown mode", kx25, {}, "MODE BURST", false);
    // Lines it does not know.
    row("unknown keyword", kx25, {}, "VOLT 5", false);
    row("unknown waveform", kx25, {}, "FUNC SAW", false);
    row("output with a number", kx25, {}, "OUT 1", false);
}

void tst_generator::limits() {
    QFETCH(QString, model);
    QFETCH(QByteArrayList, setup);
    QFETCH(QByteArray, line);
    QFETCH(bool, accepted);

    Generator generator(profileOf(model));
    apply(generator, setup);
    const Settings before = generator.settings();
    QVERIFY(!generator.handleLine(line));
    QCOMPARE(generator.settings() != before, accepted);
    QCOMPARE(generator.lastLineIgnored(), !accepted);
}

void tst_generator::waveformChangeKeepsValuesInRange() {
    Generator generator(profileOf(QStringLiteral("KX25A")));
    generator.feed("FREQ 5MHZ\rSWSTO 10MHZ\rFUNC TRI\rDCYC 10\r");
    QCOMPARE(generator.feed("FREQ?\rSWSTO?\r"), QByteArray("2.00000E+6\r2.00000E+6\r"));
    generator.feed("FUNC SQU\r");
    QCOMPARE(generator.feed("DCYC?\r"), QByteArray("2.00000E+1\r"));
}

void tst_generator::memory_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<QByteArray>("location");
    QTest::addColumn<bool>("stored");

    QTest::newRow("KX12A 1") << QStringLiteral("KX12A") << QByteArray("1") << true;
    QTest::newRow("KX12A 9") << QStringLiteral("KX12A") << QByteArray("9") << true;
    QTest::newRow("KX12A 10") << QStringLiteral("KX12A") << QByteArray("10") << false;
    QTest::newRow("KX20A 19") << QStringLiteral("KX20A") << QByteArray("19") << true;
    QTest::newRow("KX20A 20") << QStringLiteral("KX20A") << QByteArray("20") << false;
    QTest::newRow("KX25A 19") << QStringLiteral("KX25A") << QByteArray("19") << true;
    QTest::newRow("KX25A 20") << QStringLiteral("KX25A") << QByteArray("20") << false;
    QTest::newRow("blanks around") << QStringLiteral("KX25A") << QByteArray("  3 ") << true;
    QTest::newRow("whole number with point")
        << QStringLiteral("KX25A") << QByteArray("3.0") << true;
    QTest::newRow("fractional") << QStringLiteral("KX25A") << QByteArray("2.5") << false;
    QTest::newRow("negative") << QStringLiteral("KX25A") << QByteArray("-1") << false;
    QTest::newRow("not a number") << QStringLiteral("KX25A") << QByteArray("abc") << false;
    QTest::newRow("empty") << QStringLiteral("KX25A") << QByteArray("") << false;
}

void tst_generator::memory() {
    QFETCH(QString, model);
    QFETCH(QByteArray, location);
    QFETCH(bool, stored);

    Generator generator(profileOf(model));
    generator.feed("FREQ 1234HZ\rOUT ON\r*SAV " + location + "\r");
    QCOMPARE(generator.lastLineIgnored(), !stored);
    generator.feed("FREQ 5678HZ\rOUT OFF\r*RCL " + location + "\r");
    QCOMPARE(generator.lastLineIgnored(), !stored);
    QCOMPARE(generator.feed("FREQ?\rOUT?\r"),
             stored ? QByteArray("1.23400E+3\r1\r") : QByteArray("5.67800E+3\r0\r"));
}

void tst_generator::factorySetUp_data() {
    QTest::addColumn<QString>("model");
    for (const kxsim::ModelProfile& profile : kxsim::profiles())
        QTest::newRow(qPrintable(profile.name)) << profile.name;
}

void tst_generator::factorySetUp() {
    QFETCH(QString, model);
    Generator generator(profileOf(model));
    const QByteArrayList changes{"FUNC SQU", "OUT ON", "FREQ 2KHZ", "AMPL 2",    "OFFS 1",
                                 "SWE LOG",  "SWE ON", "MODUL FM",  "MODE GATE", "TRIG EXT"};
    apply(generator, changes);
    const Settings changed = generator.settings();
    QVERIFY(changed != Settings{});

    generator.handleLine("*SAV 0"); // the factory set-up cannot be overwritten
    QVERIFY(generator.lastLineIgnored());
    generator.handleLine("*SAV 1");
    generator.handleLine("*RCL 0");
    QCOMPARE(generator.settings(), Settings{});
    QCOMPARE(generator.feed("FUNC?\rOUT?\rFREQ?\rSWE?\rMODUL?\rMODE?\r"),
             QByteArray("SIN\r0\r1.00000E+3\rOFF\rOFF\rCONT\r"));
    generator.handleLine("*RCL 1");
    QCOMPARE(generator.settings(), changed);
}

void tst_generator::feed_data() {
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("partial line waits for its CR")
        << QByteArrayList{"FRE", "Q?", "\r"} << QByteArray("1.00000E+3\r");
    QTest::newRow("no CR yet") << QByteArrayList{"FREQ?"} << QByteArray();
    QTest::newRow("CR LF input") << QByteArrayList{"FREQ 2KHZ\r\nFREQ?\r\n"}
                                 << QByteArray("2.00000E+3\r");
    QTest::newRow("CR and LF split across reads")
        << QByteArrayList{"FUNC SQU\r", "\nFUNC?\r"} << QByteArray("SQU\r");
    QTest::newRow("blank lines") << QByteArrayList{"\r\r\n \rOUT?\r"} << QByteArray("0\r");
    QTest::newRow("unknown lines ignored")
        << QByteArrayList{"HELLO\rFOO?\rFREQ? 5\rOUT?\r"} << QByteArray("0\r");
    QTest::newRow("two queries in one read")
        << QByteArrayList{"FUNC?\rOUT?\r"} << QByteArray("SIN\r0\r");
    QTest::newRow("settings get no answer") << QByteArrayList{"OUT ON\rFREQ 5HZ\r"} << QByteArray();
    QTest::newRow("keywords in any case") << QByteArrayList{"out on\rOut?\r"} << QByteArray("1\r");
    QTest::newRow("overlong line dropped whole")
        << QByteArrayList{"OUT ON" + QByteArray(Generator::maxLineLength, ' ') + "\rOUT?\r"}
        << QByteArray("0\r");
    QTest::newRow("longest line kept")
        << QByteArrayList{"OUT ON" + QByteArray(Generator::maxLineLength - 6, ' ') + "\rOUT?\r"}
        << QByteArray("1\r");
}

void tst_generator::feed() {
    QFETCH(QByteArrayList, chunks);
    QFETCH(QByteArray, expected);
    Generator generator(profileOf(QStringLiteral("KX25A")));
    QByteArray answers;
    for (const QByteArray& chunk : chunks)
        answers += generator.feed(chunk);
    QCOMPARE(answers, expected);
}

void tst_generator::feedKeepsReceivedLines() {
    Generator generator(profileOf(QStringLiteral("KX25A")));
    generator.feed("*IDN?\r\n\r  FREQ 2.5KHZ \rBOGUS\rOU");
    QCOMPARE(generator.received(), (QByteArrayList{"*IDN?", "FREQ 2.5KHZ", "BOGUS"}));
    generator.feed("T?\r");
    QCOMPARE(generator.received().last(), QByteArray("OUT?"));
    // A long run keeps only the most recent lines, and counts them all.
    for (int i = 0; i < 2 * Generator::keptLines; ++i)
        generator.feed("FREQ?\r");
    QCOMPARE(generator.received().size(), Generator::keptLines);
    QCOMPARE(generator.receivedCount(), 4 + 2 * Generator::keptLines);
}

void tst_generator::answersEndWithChosenLineEnd() {
    Generator generator(profileOf(QStringLiteral("KX20A")));
    generator.setLineEnd("\r\n");
    QCOMPARE(generator.feed("OUT?\rMODE?\r"), QByteArray("0\r\nCONT\r\n"));
}

QTEST_GUILESS_MAIN(tst_generator)
#include "tst_generator.moc"
