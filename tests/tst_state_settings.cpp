// The generator driven through the instrument layer alone, with no window and no
// QApplication: each setting and command as a conversation (the lines sent, the
// answers, the result), the refusals, the output switch, the status reading and
// identification.

#include "support/Instrument.h"

#include "link/Identify.h"
#include "state/Number.h"
#include "state/Profile.h"
#include "state/Settings.h"
#include "state/Status.h"
#include "state/Wire.h"

#include <QtTest>

using namespace kxtest;
using Kind = kx::Result::Kind;

Q_DECLARE_METATYPE(const kx::Setting*)
Q_DECLARE_METATYPE(const kx::Unit*)

namespace {

const kx::Waveform& waveform(const QString& shape) {
    for (const kx::Waveform& w : kx::waveforms) {
        if (shape == QLatin1String(w.shape))
            return w;
    }
    qFatal("no waveform %s", qPrintable(shape));
}

kx::Result done(const QString& value = {}, const QString& unit = {}, const QString& reply = {}) {
    return {Kind::Done, 0, {}, {value, unit, reply}};
}

} // namespace

class SettingsTest : public QObject {
    Q_OBJECT
private slots:
    void withoutWindow();
    void everySettingByName();
    void notANumber_data();
    void notANumber();
    void frequencyLimits_data();
    void frequencyLimits();
    void levels_data();
    void levels();
    void noValidAnswer_data();
    void noValidAnswer();
    void learn_data();
    void learn();
    void switchOutput_data();
    void switchOutput();
    void wireLine_data();
    void wireLine();
};

// Identification, a setting, a refusal, a command and its guard, and the status
// reading, each through the instrument layer on a core application.
void SettingsTest::withoutWindow() {
    QVERIFY(!QCoreApplication::instance()->inherits("QGuiApplication"));
    Instrument in;
    QVERIFY(in.link.open(QStringLiteral("/dev/fake")));

    in.talk.expect({{"*IDN?", line(" Generator,KX20A,0,1.02")}});
    const kx::Identity id = kx::identify(in.link);
    in.talk.check();
    QVERIFY(id.answered);
    QCOMPARE(id.line, QStringLiteral("Generator,KX20A,0,1.02"));
    QCOMPARE(id.model, QStringLiteral("KX20A"));
    in.vars.modelName = id.model;

    in.talk.expect({{"FUNC?", line("SQU")},
                    {"FREQ?", line("2.50000E+3")},
                    {"AMPL?", line("4.00000E+0")},
                    {"OFFS?", line("1.00000E+0")},
                    {"MODE?", line("TRIG")},
                    {"SWE?", line("LIN ON")},
                    {"MODUL?", line("OFF")},
                    {"OUT?", line("1")}});
    const kx::Status s = kx::readStatus(in.link, in.vars);
    in.talk.check();
    QCOMPARE(describe(s.result), describe(done()));
    QCOMPARE(s.waveform, &kx::waveforms[1]);
    QCOMPARE(s.frequency->value + s.frequency->unit, QStringLiteral("2.50000kHz"));
    QCOMPARE(s.amplitude->value, QStringLiteral("4.00000"));
    QCOMPARE(s.offset->value, QStringLiteral("1.00000"));
    QCOMPARE(*s.mode, QStringLiteral("TRIG"));
    QVERIFY(s.modeChoice == (kx::Choice{&kx::commands::mode, 1}));
    QVERIFY(s.sweep == kx::Choice{&kx::commands::linearSweep});
    QVERIFY(s.modulation == kx::Choice{&kx::commands::modulationOff});
    QCOMPARE(s.output, std::optional<bool>(true));
    QCOMPARE(in.vars.waveShape, QStringLiteral("square"));
    QCOMPARE(in.vars.outputFrequencyHz, 2500.0);
    QCOMPARE(in.vars.amplitudeV, 4.0);
    QCOMPARE(in.vars.offsetV, 1.0);

    // Square on a KX20A: up to 20 MHz; the answer is the generator's, not the value typed.
    in.talk.expect({{"FREQ 1.5KHZ", ""}, {"FREQ?", line("1.49999E+3")}});
    const kx::Setting& frequency = kx::settings::frequency;
    QCOMPARE(describe(kx::apply(in.link, in.vars, frequency, unitOf(frequency, "kHz"), "1.5")),
             describe(done("1.49999", "kHz", "1.49999E+3")));
    in.talk.check();
    QCOMPARE(in.vars.outputFrequencyHz, 1499.99);

    // 9 / 2 + 1 > 5: nothing is sent.
    in.talk.expect({});
    QCOMPARE(describe(kx::apply(in.link, in.vars, kx::settings::amplitude,
                                unitOf(kx::settings::amplitude), "9")),
             describe(kx::Result::refused(8)));
    in.talk.check();

    in.talk.expect({{"TRIG EXT", ""}});
    QCOMPARE(describe(kx::choose(in.link, in.vars, kx::commands::triggerSource, 1)),
             describe(done()));
    in.talk.check();
    in.vars.mode = QStringLiteral("cont");
    in.talk.expect({});
    QCOMPARE(describe(kx::choose(in.link, in.vars, kx::commands::triggerSource, 1)),
             describe(kx::Result::refused(11)));
    in.talk.check();

    in.port.pullCable();
    QCOMPARE(describe(kx::apply(in.link, in.vars, kx::settings::offset,
                                unitOf(kx::settings::offset), "1")),
             describe({Kind::LinkLost, 0, {}, {}}));
}

// Every setting is found by its name and each of its units by theirs; one of them is
// the base unit.
void SettingsTest::everySettingByName() {
    for (const kx::Setting* s : kx::allSettings()) {
        QCOMPARE(kx::findSetting(QString::fromLatin1(s->name)), s);
        int base = 0;
        for (const kx::Unit& u : s->units) {
            QCOMPARE(s->unit(QString::fromLatin1(u.name)), &u);
            base += u.factor == 1;
        }
        QCOMPARE(base, 1);
    }
    QCOMPARE(kx::findSetting(QStringLiteral("power")), nullptr);
    QCOMPARE(kx::settings::frequency.unit(QStringLiteral("GHz")), nullptr);
}

void SettingsTest::notANumber_data() {
    QTest::addColumn<const kx::Setting*>("s");
    QTest::addColumn<const kx::Unit*>("unit");
    QTest::addColumn<QString>("text");
    for (const kx::Setting* s : kx::allSettings()) {
        for (const kx::Unit& u : s->units) {
            for (const char* text : notNumbers)
                QTest::addRow("%s %s '%s'", s->name, u.name, text)
                    << s << &u << QString::fromUtf8(text);
        }
    }
}

// Text that is not a number is refused like a value out of range, and nothing is sent
// but the question a setting must ask first.
void SettingsTest::notANumber() {
    QFETCH(const kx::Setting*, s);
    QFETCH(const kx::Unit*, unit);
    QFETCH(QString, text);
    Instrument in;
    in.connect();
    if (s->asks.query)
        in.talk.expect({{s->asks.query, QByteArray(s->asks.expected) + "\r\n"}});
    else
        in.talk.expect({});
    QCOMPARE(describe(kx::apply(in.link, in.vars, *s, *unit, text)),
             describe(kx::Result::refused(s->code)));
}

void SettingsTest::frequencyLimits_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("wave");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<double>("hertz"); // 0: refused
    struct Limit {
        const char* model;
        const char* wave;
        const char* top; // the highest frequency, as typed
        const char* topUnit;
        double topHz;
        const char* over; // just above it
        const char* overUnit;
    };
    const Limit limits[] = {
        {"KX12A", "sine", "12", "MHz", 12e6, "12000.5", "kHz"},
        {"KX12A", "square", "12000", "kHz", 12e6, "12.0001", "MHz"},
        {"KX12A", "ramp", "1", "MHz", 1e6, "1000001", "Hz"},
        {"KX20A", "sine", "20", "MHz", 20e6, "20000.1", "kHz"},
        {"KX20A", "square", "20000", "kHz", 20e6, "20.0001", "MHz"},
        {"KX20A", "ramp", "2", "MHz", 2e6, "2000001", "Hz"},
        {"KX25A", "sine", "20000", "kHz", 20e6, "20.0001", "MHz"},
        {"KX25A", "square", "20", "MHz", 20e6, "20000.1", "kHz"},
        {"KX25A", "ramp", "2000000", "Hz", 2e6, "2.00001", "MHz"},
    };
    for (const Limit& l : limits) {
        const auto row = [&](const char* what, const char* text, const char* unit, double hz) {
            QTest::addRow("%s %s %s %s%s", l.model, l.wave, what, text, unit)
                << l.model << l.wave << text << unit << hz;
        };
        row("top", l.top, l.topUnit, l.topHz);
        row("above", l.over, l.overUnit, 0);
        row("bottom", "0.01", "Hz", 0.01);
        row("bottom", "0.00001", "kHz", 0.01);
        row("below", "0.009", "Hz", 0);
    }
}

// The waveform sets the limits: both ends are accepted, just outside is refused.
void SettingsTest::frequencyLimits() {
    QFETCH(QString, model);
    QFETCH(QString, wave);
    QFETCH(QString, text);
    QFETCH(QString, unit);
    QFETCH(double, hertz);
    Instrument in(model);
    in.connect();
    QCOMPARE(kx::selectWaveform(in.link, in.vars, waveform(wave)).kind, kx::Result::Kind::Done);
    QCOMPARE(in.vars.waveShape, wave);
    in.takeLines();
    const double before = in.generator->settings().frequency;
    const kx::Setting& s = kx::settings::frequency;
    const kx::Result r = kx::apply(in.link, in.vars, s, unitOf(s, unit), text);
    if (hertz > 0) {
        QCOMPARE(
            in.takeLines(),
            (QList<QByteArray>{"FREQ " + text.toLatin1() + unit.toUpper().toLatin1(), "FREQ?"}));
        QCOMPARE(r.kind, Kind::Done);
        QCOMPARE(in.generator->settings().frequency, hertz);
    } else {
        QCOMPARE(in.takeLines(), QList<QByteArray>());
        QCOMPARE(describe(r), describe(kx::Result::refused(5)));
        QCOMPARE(in.generator->settings().frequency, before);
    }
}

void SettingsTest::levels_data() {
    levelColumns();
    const auto amp = [](auto... args) { levelRow(true, args...); };
    const auto offs = [](auto... args) { levelRow(false, args...); };
    amp("10 at offset 0: exactly 5", "10", "0.00000", 0, "1.00000E+1", "10");
    amp("9 at offset 0.5: exactly 5", "9", "0.50000", 0, "9.00000E+0", "9.00000");
    amp("6 at offset -2: exactly 5", "6", "-2.00000", 0, "6.00000E+0", "6.00000");
    amp("lowest, 0.01", "0.01", "0.00000", 0, "1.00000E-2", "0.01");
    amp("offset unknown counts as 0", "10", "", 0, "1.00000E+1", "10");
    amp("10 at offset -0.5", "10", "-0.50000", 8);
    amp("2 at offset 4.00001", "2", "4.00001", 8);
    amp("10.5 at offset 0", "10.5", "0.00000", 6);
    amp("10.5 at offset -0.5", "10.5", "-0.50000", 6);
    amp("0.005 at offset 0", "0.005", "0.00000", 6);
    amp("0.005 at offset 5: range before rule", "0.005", "5.00000", 6);
    amp("11 at offset 4.9: range before rule", "11", "4.90000", 6);
    offs("-2 at amplitude 4", "-2", "4.00000", 0, "-2.00000E+0", "-2.00000");
    offs("2.5 at amplitude 5: exactly 5", "2.5", "5.00000", 0, "2.50000E+0", "2.50000");
    offs("5 at amplitude 0", "5", "0", 0, "5.00000E+0", "5.00000");
    offs("-5 at amplitude 0", "-5", "0", 0, "-5.00000E+0", "-5.00000");
    offs("0 at amplitude 10", "0", "10", 0, "0.00000E+0", "0.00000");
    offs("amplitude unknown counts as 0", "5", "", 0, "5.00000E+0", "5.00000");
    offs("5 mV, read back in millivolts", "0.005", "1.00000", 0, "5.00000E-3", "0.005");
    offs("-2 read back with a two-digit exponent", "-2", "1.00000", 0, "-2.00000E+00", "-2.00000");
    amp("2.5 read back with a two-digit exponent", "2.5", "0.00000", 0, "2.50000E+00", "2.50000");
    offs("6", "6", "1.00000", 7);
    offs("-6", "-6", "1.00000", 7);
    offs("6 at amplitude 10: range before rule", "6", "10", 7);
    offs("4.9 at amplitude 1", "4.9", "1.00000", 8);
    offs("5 at amplitude 0.02", "5", "0.02000", 8);
    offs("-3 at amplitude 4.2", "-3", "4.20000", 8);
}

// The range comes first, then the rule with the other value as shown.
void SettingsTest::levels() {
    QFETCH(bool, amplitude);
    QFETCH(QString, text);
    QFETCH(QString, otherShown);
    QFETCH(int, code);
    QFETCH(QByteArray, reply);
    QFETCH(QString, shown);
    Instrument in;
    in.connect();
    (amplitude ? in.vars.offsetV : in.vars.amplitudeV) = kx::parseNumber(otherShown);
    const QByteArray keyword = amplitude ? "AMPL" : "OFFS";
    if (code == 0)
        in.talk.expect({{keyword + ' ' + text.toLatin1(), ""}, {keyword + '?', reply}});
    else
        in.talk.expect({});
    const kx::Setting& s = amplitude ? kx::settings::amplitude : kx::settings::offset;
    const kx::Result r = kx::apply(in.link, in.vars, s, unitOf(s), text);
    in.talk.check();
    QCOMPARE(describe(r), describe(code ? kx::Result::refused(short(code))
                                        : done(shown, {}, QString::fromLatin1(reply.trimmed()))));
    if (code == 0)
        QCOMPARE(amplitude ? in.vars.amplitudeV : in.vars.offsetV, kx::parseNumber(shown));
}

void SettingsTest::noValidAnswer_data() {
    QTest::addColumn<const kx::Setting*>("s");
    QTest::addColumn<QByteArray>("reply");
    const auto row = [](const char* name, const kx::Setting& s, const QByteArray& reply) {
        QTest::newRow(name) << &s << reply;
    };
    using namespace kx::settings;
    row("frequency, no answer", frequency, {});
    row("frequency, E+8", frequency, line("1.00000E+8"));
    row("frequency, garbage", frequency, line("garbage"));
    row("frequency, lower-case e", frequency, line("2.00000e+3"));
    row("amplitude, no answer", amplitude, {});
    row("amplitude, E-10", amplitude, line("2.00000E-10"));
    row("amplitude, two-digit exponent too large", amplitude, line("2.00000E+03"));
    row("frequency, two-digit exponent too large", frequency, line("2.00000E+10"));
    row("amplitude, garbage", amplitude, line("garbage"));
    row("offset, no answer", offset, {});
    row("offset, mantissa not a number", offset, line("x.yE+0"));
}

// The line has gone out; without an answer that decodes, nothing more is sent and what
// is known of the generator stays as it was.
void SettingsTest::noValidAnswer() {
    QFETCH(const kx::Setting*, s);
    QFETCH(QByteArray, reply);
    Instrument in;
    in.connect();
    const kx::modVariables before = in.vars;
    // In its first unit: "FREQ 2HZ", "AMPL 2".
    in.talk.expect(
        {{QByteArray(s->line) + '2' + unitOf(*s).suffix, ""}, {s->readBack.query, reply}});
    QCOMPARE(describe(kx::apply(in.link, in.vars, *s, unitOf(*s), QStringLiteral("2"))),
             describe(kx::Result::noAnswer(QLatin1String(s->readBack.query))));
    QCOMPARE(in.vars.freqDisplay + in.vars.freqUnit + in.vars.levelText,
             before.freqDisplay + before.freqUnit + before.levelText);
    QCOMPARE(in.vars.outputFrequencyHz, before.outputFrequencyHz);
    QCOMPARE(in.vars.amplitudeV, before.amplitudeV);
    QCOMPARE(in.vars.offsetV, before.offsetV);
}

void SettingsTest::learn_data() {
    QTest::addColumn<kx::Facts>("facts");
    QTest::addColumn<Talk>("talk");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("known"); // model|waveform|frequency|amplitude|offset|mode
    using Said = std::pair<QByteArray, QByteArray>;
    const Said idn{"*IDN?", line("KX12A Generator,1.0")}, func{"FUNC?", line("TRI")},
        freq{"FREQ?", line("2.50000E+3")}, ampl{"AMPL?", line("4.00000E+0")},
        offs{"OFFS?", line("-1.00000E+0")}, mode{"MODE?", line("BURS")};
    namespace f = kx::fact;
    const QString none = QStringLiteral("||-|-|-|");
    QTest::newRow("nothing") << kx::Facts{} << Talk{} << describe(done()) << none;
    QTest::newRow("everything, in order")
        << (f::mode | f::offset | f::amplitude | f::outputFrequency | f::waveform | f::model)
        << Talk{idn, func, freq, ampl, offs, mode} << describe(done())
        << QStringLiteral("KX12A|ramp|2500|4|-1|BURS");
    QTest::newRow("the checks of a frequency")
        << (f::model | f::waveform) << Talk{idn, func} << describe(done())
        << QStringLiteral("KX12A|ramp|-|-|-|");
    QTest::newRow("the checks of a duty cycle")
        << (f::waveform | f::outputFrequency) << Talk{func, freq} << describe(done())
        << QStringLiteral("|ramp|2500|-|-|");
    QTest::newRow("no KX model named")
        << (f::model | f::waveform) << Talk{{"*IDN?", line("Other,1.0")}}
        << describe(kx::Result::noAnswer("*IDN?")) << none;
    QTest::newRow("waveform not understood")
        << (f::waveform | f::mode) << Talk{{"FUNC?", line("XYZ")}}
        << describe(kx::Result::noAnswer("FUNC?")) << none;
    QTest::newRow("frequency unanswered")
        << (f::outputFrequency | f::amplitude) << Talk{{"FREQ?", ""}}
        << describe(kx::Result::noAnswer("FREQ?")) << none;
    QTest::newRow("offset not decoded")
        << (f::amplitude | f::offset) << Talk{ampl, {"OFFS?", line("1.0E+12")}}
        << describe(kx::Result::noAnswer("OFFS?")) << QStringLiteral("||-|4|-|");
    QTest::newRow("mode empty") << f::mode << Talk{{"MODE?", line("")}}
                                << describe(kx::Result::noAnswer("MODE?")) << none;
}

// What a check needs is asked with the generator's own queries, in one order, and kept
// as the status reading keeps it; an answer that cannot be used ends the asking.
void SettingsTest::learn() {
    QFETCH(kx::Facts, facts);
    QFETCH(Talk, talk);
    QFETCH(QString, result);
    QFETCH(QString, known);
    Instrument in;
    QVERIFY(in.link.open(QStringLiteral("/dev/fake")));
    in.talk.expect(talk);
    QCOMPARE(describe(kx::learn(in.link, in.vars, facts)), result);
    in.talk.check();
    const auto number = [](const std::optional<double>& x) {
        return x ? kx::plainText(*x) : QStringLiteral("-");
    };
    QCOMPARE(QStringList({in.vars.modelName, in.vars.waveShape, number(in.vars.outputFrequencyHz),
                          number(in.vars.amplitudeV), number(in.vars.offsetV), in.vars.mode})
                 .join('|'),
             known);
}

void SettingsTest::switchOutput_data() {
    QTest::addColumn<bool>("on");
    QTest::addColumn<QByteArray>("reply"); // to OUT?
    QTest::addColumn<QString>("result");
    const auto row = [](const char* name, bool on, const QByteArray& reply, const QString& result) {
        QTest::newRow(name) << on << reply << result;
    };
    const QString unanswered = describe(kx::Result::noAnswer(QStringLiteral("OUT?")));
    row("ON answered 1", true, line("1"), describe(done("1", {}, "1")));
    row("ON answered 1 CR LF", true, "1\r\n", describe(done("1", {}, "1")));
    row("ON answered 1.0", true, line("1.0"), describe(done("1", {}, "1.0")));
    row("ON answered 1 between blanks", true, line(" 1 "), describe(done("1", {}, "1")));
    row("ON answered 0", true, line("0"), describe(done("0", {}, "0")));
    row("ON answered 2: no state", true, line("2"), unanswered);
    row("ON unanswered", true, {}, unanswered);
    row("ON answered xyz", true, line("xyz"), unanswered);
    row("ON answered ON", true, line("ON"), unanswered);
    row("OFF answered 0", false, line("0"), describe(done("0", {}, "0")));
    row("OFF answered 0.0 CR LF", false, "0.0\r\n", describe(done("0", {}, "0.0")));
    row("OFF answered 1", false, line("1"), describe(done("1", {}, "1")));
    row("OFF unanswered", false, {}, unanswered);
    row("OFF answered garbage", false, line("garbage"), unanswered);
}

// The switch's line, then OUT?: the result is the state the generator answers, "1" or
// "0", whichever button it was; any other answer is none.
void SettingsTest::switchOutput() {
    QFETCH(bool, on);
    QFETCH(QByteArray, reply);
    QFETCH(QString, result);
    Instrument in;
    QVERIFY(in.link.open(QStringLiteral("/dev/fake")));
    in.talk.expect({{on ? "OUT ON" : "OUT OFF", ""}, {"OUT?", reply}});
    QCOMPARE(describe(kx::switchOutput(in.link, on)), result);
    in.talk.check();
}

void SettingsTest::wireLine_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("read");  // kind|what it sets|number|needs|line, or the problem
    QTest::addColumn<QString>("query"); // the text as a query of the generator's
    const auto row = [](const char* text, const char* read, const char* query = "") {
        QTest::newRow(text) << text << read << query;
    };
    row("FREQ 2.5KHZ", "value|frequency kHz|2.5|3|FREQ 2.5KHZ");
    row(" freq  2.5 khz ", "value|frequency kHz|2.5|3|FREQ 2.5KHZ");
    row("FREQ 1000", "value|frequency Hz|1000|3|FREQ 1000HZ");
    row("SWSTO 3KHZ", "value|sweep-stop kHz|3|3|SWSTO 3kHZ");
    row("DEV 5KHZ", "value|deviation kHz|5|3|DEV 5kHz");
    row("AMPL 2V", "value|amplitude V|2|16|AMPL 2");
    row("OFFS -1.5", "value|offset V|-1.5|8|OFFS -1.5");
    row("TRIG 20ms", "value|trigger-rate ms|20|0|TRIG 20MS");
    row("TRIG 0.5", "value|trigger-rate s|0.5|0|TRIG 0.5S");
    row("SWRA 2", "value|sweep-rate s|2|0|SWRA 2S");
    row("DEPT 50%", "value|depth %|50|0|DEPT 50");
    row("MODFR 2E1KHZ", "value|mod-frequency kHz|2E1|0|MODFR 2E1KHZ");
    row("TRIG int", "fixed|trigger-source/int||32|TRIG INT");
    row("modsh squ", "fixed|mod-shape/square||1|MODSH SQU");
    row("MODE BURS", "fixed|trigger-mode/burst||0|MODE BURS");
    row("SWE LIN", "fixed|linear-sweep||0|SWE LIN");
    row("MODUL OFF", "fixed|linear-sweep||0|MODUL OFF");
    row("func tri", "waveform|2||0|FUNC TRI");
    row("OUT off", "output|0||0|OUT OFF");
    row("DCYC 30%", "duty||30|6|DCYC 30");
    row("*SAV 3", "save||3|1|*SAV 3");
    row("*rcl 0", "factory|||0|*RCL 0");
    row("*RCL 4.0", "recall||4.0|1|*RCL 4.0");
    row("VOLT 3", "unknown||||");
    row("FREQ?", "unknown||||", "FREQ?");
    row(" swsta? ", "unknown||||", "SWSTA?");
    row("*idn?", "unknown||||", "*IDN?");
    row("DCYC?", "unknown||||");
    row("SIM:REJ?", "unknown||||");
    row("FREQ", "FREQ needs a value");
    row("FREQ 3XHZ", "FREQ takes a number in HZ, KHZ, MHZ, not 3XHZ");
    row("FREQ KHZ", "FREQ takes a number in HZ, KHZ, MHZ, not KHZ");
    row("TRIG FOO", "TRIG takes a number in US, MS, S or one of INT, EXT, not FOO");
    row("OUT 1", "OUT takes ON, OFF, not 1");
}

// A line of the generator's own language, as a client on the network writes it: what it
// carries, what its checks need, and the line the panel sends for it.
void SettingsTest::wireLine() {
    QFETCH(QString, text);
    QFETCH(QString, read);
    QFETCH(QString, query);
    const kx::WireLine w = kx::readWireLine(text);
    using K = kx::WireLine::Kind;
    static const char* const kinds[] = {"unknown", "malformed", "value", "fixed",  "waveform",
                                        "output",  "duty",      "save",  "recall", "factory"};
    QString what;
    if (w.setting)
        what = QStringLiteral("%1 %2").arg(w.setting->name, w.unit->name);
    else if (w.command)
        what = QLatin1String(w.command->name) +
               (w.option < 0 ? QString()
                             : QStringLiteral("/") + w.command->options[size_t(w.option)].name);
    else if (w.index >= 0)
        what = QString::number(w.index);
    const QString got =
        w.kind == K::Malformed
            ? w.problem
            : QStringList{kinds[int(w.kind)], what, w.typed,
                          w.kind == K::Unknown ? QString() : QString::number(w.needs), w.line}
                  .join('|');
    QCOMPARE(got, read);
    QCOMPARE(kx::knownQuery(text), query);
}

QTEST_GUILESS_MAIN(SettingsTest)
#include "tst_state_settings.moc"
