// Sweep, modulation, trigger and burst through the instrument layer alone: each setting
// and command as a conversation (the lines sent in order with the generator's replies)
// and its result: done with the answer decoded, refused with its code, or no valid
// answer naming the query.

#include "support/Instrument.h"

#include "state/Settings.h"

#include <QtTest>

using namespace kxtest;
using Kind = kx::Result::Kind;

struct Case {
    QString name;      // a setting's, a command's, or "burst"
    QString unit;      // a setting's unit; empty for a command or the burst
    QString text = {}; // the value typed; for a command, the option's number
    Talk talk = {};    // every line sent, in order, and its reply
    QString result = {};
    QString model = QStringLiteral("KX25A");
    QString wave = QStringLiteral("SIN");
    double hertz = 1000;         // the output frequency read at connect; 0: none known
    QString mode = QString("?"); // the mode as the panel shows it
};
Q_DECLARE_METATYPE(Case)

namespace {

QString done(const QString& value = {}, const QString& unit = {}, const QString& reply = {}) {
    return describe({Kind::Done, 0, {}, {value, unit, reply}});
}
QString refused(int code) { return describe(kx::Result::refused(short(code))); }
QString noAnswer(const char* query) { return describe(kx::Result::noAnswer(query)); }

Talk sent(std::initializer_list<const char*> lines) {
    Talk talk;
    for (const char* l : lines)
        talk.append(std::pair{QByteArray(l), QByteArray()});
    return talk;
}

void add(const QString& name, const Case& c) { QTest::newRow(qPrintable(name)) << c; }

// `ends`, as typed in one unit, are pairs of an accepted value and a refused one beside
// it. `base` holds the setting, the refusal's code and any question asked first; an
// accepted value is sent, then `readBack` asked, with `answer` its result.
void limits(const QString& group, const Case& base, int code, const QString& line,
            const QStringList& ends, const Talk& readBack = {}, const QString& answer = done()) {
    for (int i = 0; i < ends.size(); ++i) {
        Case c = base;
        c.text = ends[i];
        if (i % 2 == 0) {
            c.talk << std::pair{line.arg(ends[i]).toLatin1(), QByteArray()} << readBack;
            c.result = answer;
        } else {
            c.result = refused(code);
        }
        add(group + ' ' + ends[i], c);
    }
}

Case command(const char* name, int option, const Talk& talk, const QString& result = done()) {
    return {name, {}, QString::number(option), talk, result};
}

} // namespace

class StateSweepModulationTriggerTest : public QObject {
    Q_OBJECT
private slots:
    void conversation_data();
    void conversation();
};

void StateSweepModulationTriggerTest::conversation_data() {
    QTest::addColumn<Case>("c");
    add("linear sweep",
        command("linear-sweep", -1, sent({"MODE CONT", "MODUL OFF", "SWE LIN", "SWE ON"})));
    add("log sweep",
        command("log-sweep", -1, sent({"MODE CONT", "MODUL OFF", "SWE LOG", "SWE ON"})));
    add("sweep off", command("sweep-off", -1, sent({"SWE OFF"})));
    // A sweep end or the output frequency read back: the line with its own suffix, the
    // answer decoded.
    const struct {
        const char *name, *setting, *unit, *text, *line, *query, *reply;
        QString result;
    } ends[] = {{"start kHz: KHZ", "sweep-start", "kHz", "5", "SWSTA 5KHZ", "SWSTA?",
                 "5.00000E+3\r", done("5.00000", "kHz", "5.00000E+3")},
                {"stop kHz: kHZ, CR LF", "sweep-stop", "kHz", "5", "SWSTO 5kHZ", "SWSTO?",
                 "5.00000E+3\r\n", done("5.00000", "kHz", "5.00000E+3")},
                // Blanks before the number go; one before the line end stays in the reply.
                {"stop MHz, blanks", "sweep-stop", "MHz", "1.5", "SWSTO 1.5MHZ", "SWSTO?",
                 " 1.50000E+6 \r", done("1.50000", "MHz", "1.50000E+6 ")},
                {"start undecoded", "sweep-start", "kHz", "5", "SWSTA 5KHZ", "SWSTA?", "1.0E+8\r",
                 noAnswer("SWSTA?")},
                {"stop undecoded", "sweep-stop", "Hz", "5", "SWSTO 5HZ", "SWSTO?", "garbage\r",
                 noAnswer("SWSTO?")},
                {"frequency 1500 kHz shown in MHz", "frequency", "kHz", "1500", "FREQ 1500KHZ",
                 "FREQ?", "1.50000E+6\r", done("1.50000", "MHz", "1.50000E+6")},
                {"frequency 0.25 Hz, blanks around the answer", "frequency", "Hz", "0.25",
                 "FREQ 0.25HZ", "FREQ?", " 2.50000E-1 \r", done("0.25", "Hz", "2.50000E-1 ")},
                {"frequency, two-digit exponent, 2500 Hz", "frequency", "kHz", "2.5", "FREQ 2.5KHZ",
                 "FREQ?", "2.50000E+03\r", done("2.50000", "kHz", "2.50000E+03")}};
    for (const auto& e : ends)
        add(e.name, {e.setting, e.unit, e.text, {{e.line, {}}, {e.query, e.reply}}, e.result});
    const QStringList hz{"0.01", "0.009", "20000000", "20000001"};
    const QStringList khz{"0.00001", "0.000009", "20000", "20000.001"};
    const QStringList mhz{"0.00000001", "0.000000009", "20", "20.000001"};
    const QString oneKHz = done("1.00000", "kHz", "1.00000E+3");
    for (const auto& [end, query, name] :
         {std::tuple{"SWSTA", "SWSTA?", "sweep-start"}, {"SWSTO", "SWSTO?", "sweep-stop"}}) {
        const Talk read{{query, line("1.00000E+3")}};
        const auto unit = [&](const char* suffix, const char* u, const QStringList& ends,
                              const char* model = "KX25A", const char* wave = "SIN") {
            const Case base{name, u, {}, {}, {}, model, wave};
            limits(QString("%1 %2 %3 %4").arg(name, u, model, wave), base, 5,
                   QString(end) + " %1" + suffix, ends, read, oneKHz);
        };
        unit("HZ", "Hz", hz);
        unit(QString(end) == "SWSTA" ? "KHZ" : "kHZ", "kHz", khz);
        unit("MHZ", "MHz", mhz);
        unit("MHZ", "MHz", {"12", "12.000001"}, "KX12A");
        unit("MHZ", "MHz", {"1", "1.5"}, "KX12A", "TRI");
        unit("MHZ", "MHz", {"1.5", "2.000001"}, "KX20A", "TRI");
    }
    limits("sweep rate", {"sweep-rate", "s"}, 7, "SWRA %1S", {"0.01", "0.009", "100", "100.5"});

    const char* const types[][2] = {{"MODUL AM", "MODUL INT"},
                                    {"MODUL AM", "MODUL EXT"},
                                    {"MODUL FM", "MODUL INT"},
                                    {"MODUL FM", "MODUL EXT"}};
    for (int i = 0; i < 4; ++i)
        add(QString("modulation %1").arg(i),
            command("modulation", i, sent({"MODE CONT", "SWE OFF", types[i][0], types[i][1]})));
    for (int none : {-1, 4})
        add(QString("modulation %1").arg(none),
            command("modulation", none, sent({"MODE CONT", "SWE OFF"})));
    const char* const shapes[] = {"MODSH SIN", "MODSH SQU", "MODSH TRI"};
    for (int i = 0; i < 3; ++i)
        add(QString("shape %1").arg(i), command("mod-shape", i, sent({shapes[i]})));
    for (int none : {-1, 3})
        add(QString("shape %1").arg(none), command("mod-shape", none, {}));

    const Talk modFreqRead{{"MODFR?", line("1.00000E+3")}};
    limits("mod-frequency Hz", {"mod-frequency", "Hz"}, 7, "MODFR %1HZ",
           {"0.01", "0.009", "20000", "20000.01"}, modFreqRead, oneKHz);
    limits("mod-frequency kHz", {"mod-frequency", "kHz"}, 7, "MODFR %1KHZ",
           {"0.00001", "0.000009", "20", "20.00001"}, modFreqRead, oneKHz);
    add("mod frequency 500 Hz", {"mod-frequency",
                                 "Hz",
                                 "500",
                                 {{"MODFR 500HZ", {}}, {"MODFR?", line("5.00000E+2")}},
                                 done("500", "Hz", "5.00000E+2")});
    add("mod frequency undecoded", {"mod-frequency",
                                    "kHz",
                                    "2",
                                    {{"MODFR 2KHZ", {}}, {"MODFR?", line("2.0E+9")}},
                                    noAnswer("MODFR?")});
    limits("depth", {"depth", "%", {}, {{"MODUL?", line("AM INT")}}}, 7, "DEPT %1",
           {"0", "-1", "100", "100.5"});
    // The question comes first: its answer decides before the range does.
    const auto asked = [](const char* name, const char* setting, const char* unit, const char* text,
                          const QByteArray& answer, const char* sentLine, int code) {
        Case c{setting, unit, text, {{"MODUL?", answer}}, refused(code)};
        if (*sentLine) {
            c.talk << std::pair{QByteArray(sentLine), QByteArray()};
            c.result = done();
        } else if (!answer.contains('\r')) {
            c.result = noAnswer("MODUL?");
        }
        add(name, c);
    };
    asked("depth, CR LF", "depth", "%", "50", "AM INT\r\n", "DEPT 50", 0);
    asked("depth, no line end: unanswered", "depth", "%", "50", "AM INT", "", 0);
    asked("depth, AM EXT", "depth", "%", "50", line("AM EXT"), "", 13);
    asked("depth, lower case", "depth", "%", "50", line("am int"), "", 13);
    asked("depth, answer before range", "depth", "%", "150", line("FM INT"), "", 13);
    asked("depth, no answer", "depth", "%", "50", {}, "", 0);
    asked("deviation, CR LF", "deviation", "kHz", "5", "FM INT\r\n", "DEV 5kHz", 0);
    asked("deviation, no line end: unanswered", "deviation", "Hz", "5", "FM INT", "", 0);
    asked("deviation, FM EXT", "deviation", "kHz", "5", line("FM EXT"), "", 14);
    asked("deviation, answer before range", "deviation", "MHz", "99", line("AM INT"), "", 14);
    asked("deviation, no answer", "deviation", "MHz", "5", {}, "", 0);
    const auto deviation = [&](const char* unit, const QStringList& ends,
                               const char* model = "KX25A", const char* wave = "SIN") {
        const Case base{"deviation", unit, {}, {{"MODUL?", line("FM INT")}}, {}, model, wave};
        limits(QString("deviation %1 %2 %3").arg(unit, model, wave), base, 5,
               QString("DEV %1") + unit, ends);
    };
    deviation("Hz", hz);
    deviation("kHz", khz);
    deviation("MHz", mhz);
    deviation("MHz", {"12", "13"}, "KX12A");
    deviation("MHz", {"1", "1.5"}, "KX12A", "TRI");
    add("modulation off", command("modulation-off", -1, sent({"MODUL OFF"})));

    const char* const modes[] = {"MODE CONT", "MODE TRIG", "MODE GATE", "MODE BURS"};
    for (int i = 0; i < 4; ++i)
        add(QString("mode %1").arg(i),
            command("trigger-mode", i, sent({"MODUL OFF", "SWE OFF", modes[i]})));
    for (int none : {-1, 4})
        add(QString("mode %1").arg(none),
            command("trigger-mode", none, sent({"MODUL OFF", "SWE OFF"})));
    for (const auto& [mode, option, sourceLine, code] : {std::tuple{"Trig", 1, "TRIG EXT", 0},
                                                         {"Burst", 0, "TRIG INT", 0},
                                                         {"Gate", -1, "", 0},
                                                         {"Trig", 2, "", 0},
                                                         {"Cont", 1, "", 11},
                                                         {"CONT", 0, "", 11}}) {
        Case c = command("trigger-source", option, {}, code ? refused(code) : done());
        c.mode = mode;
        if (*sourceLine)
            c.talk = sent({sourceLine});
        add(QString("source %1 mode %2").arg(option).arg(mode), c);
    }
    for (const auto& [unit, suffix, ends] :
         {std::tuple{"us", "US", QStringList{"1", "0.5", "10000000", "10000001"}},
          {"ms", "MS", {"0.001", "0.0009", "10000", "10001"}},
          {"s", "S", {"0.000001", "0.0000009", "10", "10.5"}}})
        limits(QString("trigger-rate ") + unit, {"trigger-rate", unit}, 7,
               QString("TRIG %1") + suffix, ends);
    for (const auto& [count, hertz, code] : {std::tuple{"65535", 1e3, 0},
                                             {"1", 1e3, 0},
                                             {"65536", 1e3, 7},
                                             {"0", 1e3, 7},
                                             {"10", 1e6, 0},
                                             {"10", 1.5e6, 12},
                                             {"0", 1.5e6, 7},
                                             {"10", 0.0, 0},
                                             {"70000", 0.0, 7},
                                             {"10\r", 1e3, 7},
                                             {"\t10", 1e3, 7}})
        QTest::addRow("burst %s at %g Hz", count, hertz)
            << Case{"burst", {}, count, {}, code ? refused(code) : done(), "KX25A", "SIN", hertz};
}

void StateSweepModulationTriggerTest::conversation() {
    QFETCH(Case, c);
    Instrument in(c.model);
    in.generator->settings().function = c.wave;
    in.generator->settings().frequency = c.hertz ? c.hertz : 1000;
    in.connect();
    if (!c.hertz)
        in.vars.outputFrequencyHz.reset();
    in.vars.mode = c.mode;
    // What a sweep or modulation read-back leaves; the burst check must not take it.
    in.vars.freqHzText = QStringLiteral("5000000");
    in.talk.expect(c.talk);
    kx::Result r;
    if (c.name == QLatin1String("burst")) {
        r = kx::checkBurst(in.vars, c.text);
    } else if (c.unit.isEmpty()) {
        using namespace kx::commands;
        const kx::Command* command = nullptr;
        for (const kx::Command* k : {&linearSweep, &logSweep, &sweepOff, &modulation,
                                     &modulationShape, &modulationOff, &mode, &triggerSource}) {
            if (c.name == QLatin1String(k->name))
                command = k;
        }
        QVERIFY(command);
        r = kx::choose(in.link, in.vars, *command, c.text.toInt());
    } else {
        const kx::Setting* setting = kx::findSetting(c.name);
        QVERIFY(setting);
        r = kx::apply(in.link, in.vars, *setting, unitOf(*setting, c.unit), c.text);
    }
    in.talk.check();
    QCOMPARE(describe(r), c.result);
}

QTEST_GUILESS_MAIN(StateSweepModulationTriggerTest)
#include "tst_state_sweep_modulation_trigger.moc"
