// The simulated generator's model, in-process: settings, answers, limits, memory, how it
// takes bytes off the line, what its strict reading rejects and counts (and the lenient
// one takes), and the echo fault.

#include "sim/Generator.h"
#include "support/FakeSerialPort.h"

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
    void identificationAndFactorySetUp_data();
    void identificationAndFactorySetUp();
    void limits_data();
    void limits();
    void memory_data();
    void memory();
    void feed_data();
    void feed();
    void feedKeepsReceivedLines();
    void answersEndWithChosenLineEnd();
    void echoFault_data();
    void echoFault();
    void echoThroughTheFakePort();
    void rejectedCountQuery();
    void rejectedLinesAreKeptBounded();
};

void tst_generator::settingChangesAnswer_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<QByteArrayList>("setup");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<bool>("lenient");

    const QString kx25 = QStringLiteral("KX25A");
    const QString kx12 = QStringLiteral("KX12A");
    auto row = [](const char* name, const QString& model, const QByteArrayList& setup,
                  const QByteArrayList& lines, const QByteArray& query, const QByteArray& expected,
                  bool lenient = false) {
        QTest::newRow(name) << model << setup << lines << query << expected << lenient;
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
    row("frequency lower-case unit", kx25, {}, {"FREQ 5khz"}, "FREQ?", "5.00000E+3");
    row("frequency blank before unit", kx25, {}, {"FREQ 5 KHZ"}, "FREQ?", "5.00000E+3");
    row("frequency with exponent", kx25, {}, {"FREQ 1.5e3HZ"}, "FREQ?", "1.50000E+3");
    row("amplitude", kx25, {}, {"AMPL 2.5"}, "AMPL?", "2.50000E+0");
    row("amplitude in volts", kx25, {}, {"AMPL 2.5V"}, "AMPL?", "2.50000E+0");
    row("offset", kx25, {}, {"OFFS -1.5"}, "OFFS?", "-1.50000E+0");
    row("duty cycle", kx25, {"FUNC SQU"}, {"DCYC 30"}, "DCYC?", "3.00000E+1");
    row("linear sweep", kx25, {}, {"SWE LIN", "SWE ON"}, "SWE?", "LIN ON");
    row("log sweep", kx25, {}, {"SWE LOG", "SWE ON"}, "SWE?", "LOG ON");
    row("sweep off", kx25, {"SWE ON"}, {"SWE OFF"}, "SWE?", "OFF");
    row("sweep start", kx25, {}, {"SWSTA 5KHZ"}, "SWSTA?", "5.00000E+3");
    row("sweep stop, kHZ", kx25, {}, {"SWSTO 5kHZ"}, "SWSTO?", "5.00000E+3");
    row("sweep rate", kx25, {}, {"SWRA 0.5S"}, "SWRA?", "5.00000E-1");
    row("sweep rate, lower-case s", kx25, {}, {"SWRA 2s"}, "SWRA?", "2.00000E+0");
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
    row("trigger source, lower case", kx25, {}, {"trig ext"}, "TRIG?", "EXT");
    // A change of waveform brings what the new one cannot take into its range.
    const QByteArrayList high{"FREQ 5MHZ", "SWSTO 10MHZ"};
    row("ramp brings frequency down", kx25, high, {"FUNC TRI"}, "FREQ?", "2.00000E+6");
    row("ramp brings sweep stop down", kx25, high, {"FUNC TRI"}, "SWSTO?", "2.00000E+6");
    row("square brings symmetry up to its duty cycle", kx25,
        high + QByteArrayList{"FUNC TRI", "DCYC 10"}, {"FUNC SQU"}, "DCYC?", "2.00000E+1");
    row("memory", kx25, {"FREQ 2KHZ", "*SAV 4", "FREQ 3KHZ"}, {"*RCL 4"}, "FREQ?", "2.00000E+3");
    // Lenient: a number without its unit is in the base unit, blanks and control
    // characters around a line are trimmed, a TAB parts keyword and argument.
    row("lenient: frequency bare hertz", kx25, {}, {"FREQ 1500"}, "FREQ?", "1.50000E+3", true);
    row("lenient: sweep start bare", kx25, {}, {"SWSTA 500"}, "SWSTA?", "5.00000E+2", true);
    row("lenient: sweep stop bare", kx25, {}, {"SWSTO 5e4"}, "SWSTO?", "5.00000E+4", true);
    row("lenient: deviation bare", kx25, {}, {"DEV 250"}, "DEV?", "2.50000E+2", true);
    row("lenient: modulating bare", kx25, {}, {"MODFR 100"}, "MODFR?", "1.00000E+2", true);
    row("lenient: sweep rate bare", kx25, {}, {"SWRA 2"}, "SWRA?", "2.00000E+0", true);
    row("lenient: TAB between keyword and number", kx25, {}, {"FREQ\t5KHZ"}, "FREQ?", "5.00000E+3",
        true);
    row("lenient: control characters around", kx25, {}, {"\nOUT ON\t"}, "OUT?", "1", true);
    row("lenient: unit forms unchanged", kx25, {}, {"FREQ 5kHz"}, "FREQ?", "5.00000E+3", true);
}

void tst_generator::settingChangesAnswer() {
    QFETCH(QString, model);
    QFETCH(QByteArrayList, setup);
    QFETCH(QByteArrayList, lines);
    QFETCH(QByteArray, query);
    QFETCH(QByteArray, expected);
    QFETCH(bool, lenient);

    Generator generator(profileOf(model));
    generator.setLenient(lenient);
    apply(generator, setup);
    const QByteArray before = answer(generator, query);
    apply(generator, lines);
    QCOMPARE(answer(generator, query), expected);
    QVERIFY2(before != expected, "the setting must change the answer");
    // Accepted as it always was: nothing rejected, strict or lenient.
    QCOMPARE(generator.rejectedCount(), 0);
    QVERIFY(!generator.lastLineRejected());
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
    QTest::newRow("a tie rounds to even") << 226000.5 << QByteArray("2.26000E+5");
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

// Per model: the identification names it, and the factory set-up (location 0) is
// recalled, never overwritten.
void tst_generator::identificationAndFactorySetUp_data() {
    QTest::addColumn<QString>("model");
    for (const kxsim::ModelProfile& profile : kxsim::profiles())
        QTest::newRow(qPrintable(profile.name)) << profile.name;
}

void tst_generator::identificationAndFactorySetUp() {
    QFETCH(QString, model);
    Generator generator(profileOf(model));
    const QByteArray idn = answer(generator, "*idn?");
    // The panel takes the five characters at the first "KX" as the model.
    const qsizetype at = idn.indexOf("KX");
    QVERIFY(at >= 0);
    QCOMPARE(idn.mid(at, 5), model.toLatin1());
    QVERIFY(!idn.contains('\r') && !idn.contains('\n'));

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

void tst_generator::limits_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<QByteArrayList>("setup");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QByteArray>("rejected"); // strict: the start of the reason
    QTest::addColumn<bool>("lenient");

    const QString kx12 = QStringLiteral("KX12A");
    const QString kx20 = QStringLiteral("KX20A");
    const QString kx25 = QStringLiteral("KX25A");
    auto row = [](const char* name, const QString& model, const QByteArrayList& setup,
                  const QByteArray& line, bool accepted) {
        QTest::newRow(name) << model << setup << line << accepted << QByteArray() << false;
    };
    // Strict: not carried out, not answered, counted, and why.
    auto rejected = [](const char* name, const QByteArray& line, const char* reason) {
        QTest::newRow(name) << QStringLiteral("KX25A") << QByteArrayList{} << line << false
                            << QByteArray(reason) << false;
    };
    // Lenient: today's reading, nothing rejected.
    auto lenient = [](const char* name, const QByteArray& line, bool accepted) {
        QTest::newRow(name) << QStringLiteral("KX25A") << QByteArrayList{} << line << accepted
                            << QByteArray() << true;
    };
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
    // Strict: a number without the unit its command needs, whatever its value.
    rejected("frequency without unit", "FREQ 1500", "FREQ needs a unit: HZ, KHZ or MHZ");
    rejected("frequency without unit, exponent", "FREQ 1.5e3", "FREQ needs a unit");
    rejected("frequency without unit, out of range", "FREQ 0", "FREQ needs a unit");
    rejected("frequency without unit, negative", "FREQ -5", "FREQ needs a unit");
    rejected("frequency without unit, too large", "FREQ 1e999", "FREQ needs a unit");
    rejected("frequency without unit, lower case", "freq .5", "FREQ needs a unit");
    rejected("sweep start without unit", "SWSTA 500", "SWSTA needs a unit: HZ, KHZ or MHZ");
    rejected("sweep stop without unit", "SWSTO 5000", "SWSTO needs a unit: HZ, KHZ or MHZ");
    rejected("deviation without unit", "DEV 100", "DEV needs a unit: HZ, KHZ or MHZ");
    rejected("modulating without unit", "MODFR 100", "MODFR needs a unit: HZ or KHZ");
    rejected("sweep rate without unit", "SWRA 2", "SWRA needs a unit: S");
    rejected("trigger rate without unit", "TRIG 0.005", "TRIG needs a unit: US, MS or S");
    rejected("trigger rate without unit, lower case", "trig 5", "TRIG needs a unit");
    // Strict: a control character or a byte outside printable ASCII anywhere in the line.
    rejected("TAB between keyword and number", "FREQ\t5KHZ", "control character <0x09>");
    rejected("TAB at the end", "OUT ON\t", "control character <0x09>");
    rejected("LF inside", "FREQ 5\nKHZ", "control character <0x0a>");
    rejected("LF at the start", "\nOUT ON", "control character <0x0a>");
    rejected("CR inside", "OUT\rON", "control character <0x0d>");
    rejected("NUL inside", QByteArray("OUT ON\0", 7), "control character <0x00>");
    rejected("escape", "\x1b[AOUT ON", "control character <0x1b>");
    rejected("DEL", "OUT ON\x7f", "control character <0x7f>");
    rejected("no-break space 0xA0",
             "FREQ\xa0"
             "5KHZ",
             "byte <0xa0> outside printable ASCII");
    rejected("byte 0xFF", "OUT ON\xff", "byte <0xff> outside printable ASCII");
    rejected("UTF-8 micro sign", "TRIG 5\xc2\xb5S", "byte <0xc2> outside printable ASCII");
    rejected("control character in a query", "FREQ?\t", "control character <0x09>");
    rejected("control character alone", "\t", "control character <0x09>");
    // Lenient: bare numbers in the base unit, control characters as they always were.
    lenient("lenient: frequency without unit", "FREQ 1500", true);
    lenient("lenient: trigger rate without unit", "TRIG 0.005", true);
    lenient("lenient: trigger rate without unit, too long", "TRIG 11", false);
    lenient("lenient: sweep rate without unit", "SWRA 2", true);
    lenient("lenient: TAB between keyword and number", "FREQ\t5KHZ", true);
    lenient("lenient: TAB at the end", "OUT ON\t", true);
    lenient("lenient: NUL inside", QByteArray("OUT\0ON", 6), false);
    lenient("lenient: no-break space",
            "FREQ\xa0"
            "5KHZ",
            false);
}

void tst_generator::limits() {
    QFETCH(QString, model);
    QFETCH(QByteArrayList, setup);
    QFETCH(QByteArray, line);
    QFETCH(bool, accepted);
    QFETCH(QByteArray, rejected);
    QFETCH(bool, lenient);

    Generator generator(profileOf(model));
    generator.setLenient(lenient);
    apply(generator, setup);
    const Settings before = generator.settings();
    QVERIFY(!generator.handleLine(line));
    QCOMPARE(generator.settings() != before, accepted);
    QCOMPARE(generator.lastLineIgnored(), !accepted);
    QCOMPARE(generator.lastLineRejected(), !rejected.isEmpty());
    QCOMPARE(generator.rejectedCount(), rejected.isEmpty() ? 0 : 1);
    QCOMPARE(generator.received().size(), setup.size() + 1); // received all the same
    if (!rejected.isEmpty()) {
        QCOMPARE(generator.rejected().size(), 1);
        // Kept as received when its bytes are wrong, else without blanks around.
        QCOMPARE(generator.rejected().last().line, generator.received().last());
        QVERIFY2(generator.rejected().last().reason.startsWith(rejected),
                 generator.rejected().last().reason.constData());
        QCOMPARE(answer(generator, Generator::rejectedQuery), QByteArray("1"));
    }
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

void tst_generator::feed_data() {
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<bool>("lenient");
    QTest::addColumn<QByteArrayList>("rejected"); // the lines rejected, as kept

    auto row = [](const char* name, const QByteArrayList& chunks, const QByteArray& expected,
                  const QByteArrayList& rejected = {}) {
        QTest::newRow(name) << chunks << expected << false << rejected;
    };
    auto lenient = [](const char* name, const QByteArrayList& chunks, const QByteArray& expected) {
        QTest::newRow(name) << chunks << expected << true << QByteArrayList{};
    };
    row("partial line waits for its CR", {"FRE", "Q?", "\r"}, "1.00000E+3\r");
    row("no CR yet", {"FREQ?"}, "");
    row("CR LF input", {"FREQ 2KHZ\r\nFREQ?\r\n"}, "2.00000E+3\r");
    row("CR and LF split across reads", {"FUNC SQU\r", "\nFUNC?\r"}, "SQU\r");
    row("blank lines", {"\r\r\n \rOUT?\r"}, "0\r");
    row("unknown lines ignored", {"HELLO\rFOO?\rFREQ? 5\rOUT?\r"}, "0\r");
    row("two queries in one read", {"FUNC?\rOUT?\r"}, "SIN\r0\r");
    row("settings get no answer", {"OUT ON\rFREQ 5HZ\r"}, "");
    row("keywords in any case", {"out on\rOut?\r"}, "1\r");
    row("overlong line dropped whole",
        {"OUT ON" + QByteArray(Generator::maxLineLength, ' ') + "\rOUT?\r"}, "0\r");
    row("longest line kept",
        {"OUT ON" + QByteArray(Generator::maxLineLength - 6, ' ') + "\rOUT?\r"}, "1\r");
    row("longest line kept after CR LF",
        {"OUT?\r\nOUT ON" + QByteArray(Generator::maxLineLength - 6, ' ') + "\r\nOUT?\r\n"},
        "0\r1\r");
    // Strict: rejected lines are neither carried out nor answered; the rest goes on.
    row("rejected query gets no answer", {"FREQ?\t\rOUT?\r"}, "0\r", {"FREQ?\t"});
    row("rejected setting not carried out", {"OUT\tON\rOUT?\r"}, "0\r", {"OUT\tON"});
    row("lone LF at the start", {"\nOUT ON\rOUT?\r"}, "0\r", {"\nOUT ON"});
    row("second LF after CR LF", {"OUT?\r\n\nOUT ON\rOUT?\r"}, "0\r0\r", {"\nOUT ON"});
    row("LF before the CR", {"OUT ON\n\rOUT?\r"}, "0\r", {"OUT ON\n"});
    row("LF alone between lines", {"OUT?\r", "\n", "\n\rOUT?\r"}, "0\r0\r", {"\n"});
    row("LF ends no line", {"OUT ON\nOUT?\r"}, "", {"OUT ON\nOUT?"});
    row("NUL between lines", {QByteArray("OUT ON\r\0\rOUT?\r", 14)}, "1\r", {QByteArray(1, 0)});
    row("0xA0 inside",
        {"FREQ\xa0"
         "5KHZ\rFREQ?\r"},
        "1.00000E+3\r",
        {"FREQ\xa0"
         "5KHZ"});
    row("bare number", {"FREQ 5\rFREQ?\r"}, "1.00000E+3\r", {"FREQ 5"});
    row("rejected and kept without blanks", {"  SWRA 2 \rSWRA?\r"}, "1.00000E+0\r", {"SWRA 2"});
    // Lenient: control characters around a line trimmed, inside it make it unknown.
    lenient("lenient: lone LF at the start", {"\nOUT ON\rOUT?\r"}, "1\r");
    lenient("lenient: LF before the CR", {"OUT ON\n\rOUT?\r"}, "1\r");
    lenient("lenient: TAB as a blank", {"FREQ\t2KHZ\t\rFREQ?\t\r"}, "2.00000E+3\r");
    lenient("lenient: NUL inside ignored", {QByteArray("OUT\0ON\rOUT?\r", 12)}, "0\r");
    lenient("lenient: bare number in hertz", {"FREQ 5\rFREQ?\r"}, "5.00000E+0\r");
}

void tst_generator::feed() {
    QFETCH(QByteArrayList, chunks);
    QFETCH(QByteArray, expected);
    QFETCH(bool, lenient);
    QFETCH(QByteArrayList, rejected);
    Generator generator(profileOf(QStringLiteral("KX25A")));
    generator.setLenient(lenient);
    QByteArray answers;
    for (const QByteArray& chunk : chunks)
        answers += generator.feed(chunk);
    QCOMPARE(answers, expected);
    QByteArrayList kept;
    for (const Generator::Rejection& r : generator.rejected())
        kept << r.line;
    QCOMPARE(kept, rejected);
    QCOMPARE(generator.rejectedCount(), rejected.size());
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

void tst_generator::echoFault_data() {
    QTest::addColumn<QByteArray>("lineEnd");
    QTest::addColumn<bool>("lenient");
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<QByteArray>("expected");

    auto row = [](const char* name, const QByteArray& lineEnd, const QByteArrayList& chunks,
                  const QByteArray& expected, bool lenient = false) {
        QTest::newRow(name) << lineEnd << lenient << chunks << expected;
    };
    row("setting: echo only", "\r", {"FREQ 2KHZ\r"}, "FREQ 2KHZ\r");
    row("query: echo, then answer", "\r", {"FREQ?\r"}, "FREQ?\r1.00000E+3\r");
    row("acted on after the echo", "\r", {"FREQ 2KHZ\rFREQ?\r"}, "FREQ 2KHZ\rFREQ?\r2.00000E+3\r");
    row("CR LF answers: CR LF echo", "\r\n", {"OUT?\r"}, "OUT?\r\n0\r\n");
    row("CR LF input: echo without the LF", "\r", {"OUT?\r\nOUT?\r\n"}, "OUT?\r0\rOUT?\r0\r");
    row("as received: case and blanks", "\r", {" out? \r"}, " out? \r0\r");
    row("partial line: echo at its CR", "\r", {"OU", "T?", "\r"}, "OUT?\r0\r");
    row("blank line echoed", "\r", {"\rOUT?\r"}, "\rOUT?\r0\r");
    row("unknown line echoed", "\r", {"HELLO\r"}, "HELLO\r");
    row("rejected line echoed as received", "\r", {"OUT?\t\rFREQ 5\r"}, "OUT?\t\rFREQ 5\r");
    row("lenient: echoed as received", "\r", {"OUT?\t\r"}, "OUT?\t\r0\r", true);
    row("overlong line not echoed", "\r",
        {"OUT ON" + QByteArray(Generator::maxLineLength, ' ') + "\rOUT?\r"}, "OUT?\r0\r");
}

void tst_generator::echoFault() {
    QFETCH(QByteArray, lineEnd);
    QFETCH(bool, lenient);
    QFETCH(QByteArrayList, chunks);
    QFETCH(QByteArray, expected);
    Generator generator(profileOf(QStringLiteral("KX25A")));
    generator.setLineEnd(lineEnd);
    generator.setLenient(lenient);
    generator.setEcho(true);
    QByteArray out;
    for (const QByteArray& chunk : chunks)
        out += generator.feed(chunk);
    QCOMPARE(out, expected);
    // The same with the echo and the answer of each line apart, as a port writes them.
    Generator again(profileOf(QStringLiteral("KX25A")));
    again.setLineEnd(lineEnd);
    again.setLenient(lenient);
    again.setEcho(true);
    QByteArray pieces;
    for (const QByteArray& chunk : chunks) {
        for (const Generator::Reply& reply : again.take(chunk)) {
            QCOMPARE(reply.echo, reply.line + lineEnd);
            pieces += reply.echo + (reply.answer ? *reply.answer + lineEnd : QByteArray());
        }
    }
    QCOMPARE(pieces, expected);
    // Without the fault, nothing but the answers.
    Generator quiet(profileOf(QStringLiteral("KX25A")));
    quiet.setLineEnd(lineEnd);
    quiet.setLenient(lenient);
    QVERIFY(!quiet.echo());
    QByteArray answers;
    for (const QByteArray& chunk : chunks)
        answers += quiet.feed(chunk);
    QVERIFY(!answers.contains("OUT?") && !answers.contains("FREQ"));
}

// The fast suite's serial port answers from the in-process generator: the echo at once,
// the answer after the latency.
void tst_generator::echoThroughTheFakePort() {
    kxtest::FakeClock clock;
    kxtest::FakeSerialPort port(clock);
    Generator generator(profileOf(QStringLiteral("KX25A")));
    port.answerFrom(generator, 20);
    QVERIFY(port.open(QStringLiteral("/dev/fake")));
    QVERIFY(port.write("FREQ 2KHZ\r"));
    QVERIFY(port.write("FREQ?\r"));
    clock.advance(0);
    QCOMPARE(port.readAll(), QByteArray());
    clock.advance(20);
    QCOMPARE(port.readAll(), QByteArray("2.00000E+3\r"));

    generator.setEcho(true);
    QVERIFY(port.write("FREQ?\r"));
    clock.advance(0);
    QCOMPARE(port.readAll(), QByteArray("FREQ?\r"));
    clock.advance(20);
    QCOMPARE(port.readAll(), QByteArray("2.00000E+3\r"));
    QCOMPARE(port.lines, (QList<QByteArray>{"FREQ 2KHZ", "FREQ?", "FREQ?"}));
    QCOMPARE(generator.rejectedCount(), 0);
}

void tst_generator::rejectedCountQuery() {
    Generator generator(profileOf(QStringLiteral("KX25A")));
    QCOMPARE(QByteArray(Generator::rejectedQuery), QByteArray("SIM:REJ?"));
    QCOMPARE(generator.feed("SIM:REJ?\r"), QByteArray("0\r"));
    generator.feed("FREQ 5\rFREQ 5KHZ\rOUT\tON\rFOO\r");
    QCOMPARE(generator.rejectedCount(), 2); // the unknown line is ignored, not rejected
    QCOMPARE(generator.feed("SIM:REJ?\rsim:rej?\rSIM:REJ? 1\r"), QByteArray("2\r2\r"));
    QCOMPARE(generator.rejectedCount(), 2); // asking rejects nothing
    QCOMPARE(generator.received().size(), 8);
    QVERIFY(!generator.lastLineRejected());
    // Lenient rejects nothing, and says so.
    Generator lenient(profileOf(QStringLiteral("KX25A")));
    lenient.setLenient(true);
    QVERIFY(lenient.lenient());
    lenient.setLineEnd("\r\n");
    QCOMPARE(lenient.feed("FREQ 5\rOUT\tON\rSIM:REJ?\r"), QByteArray("0\r\n"));
}

void tst_generator::rejectedLinesAreKeptBounded() {
    Generator generator(profileOf(QStringLiteral("KX25A")));
    for (int i = 0; i < Generator::keptLines + 5; ++i)
        generator.feed("FREQ " + QByteArray::number(i) + "\r");
    generator.feed("TRIG 5\r");
    QCOMPARE(generator.rejected().size(), Generator::keptLines);
    QCOMPARE(generator.rejectedCount(), Generator::keptLines + 6);
    QCOMPARE(generator.rejected().first().line, QByteArray("FREQ 6"));
    QCOMPARE(generator.rejected().last(),
             (Generator::Rejection{"TRIG 5", "TRIG needs a unit: US, MS or S"}));
    QCOMPARE(generator.feed("SIM:REJ?\r"), QByteArray::number(Generator::keptLines + 6) + "\r");
    QCOMPARE(generator.settings(), Settings{});
}

QTEST_GUILESS_MAIN(tst_generator)
#include "tst_generator.moc"
