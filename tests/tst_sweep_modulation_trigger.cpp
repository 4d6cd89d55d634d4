// Sweep, modulation, trigger and burst in the window: what the panel shows beforehand,
// the lines it sends, the box, and what it shows afterwards (captions, the entry emptied
// or kept, the status line); every watched text not named in a row stays as it was.
// Every range end in every unit, each answer and each result are the instrument layer's
// (tst_state_sweep_modulation_trigger); here a row or a few stand for each thing the
// window does with a result: each caption, each entry emptied or kept, each box.

#include "support/Rig.h"
#include "support/Texts.h"

#include "state/modVariables.h"
#include "ui_Main.h"

#include <QtTest>

using namespace kxtest;
using Texts = QList<std::pair<QString, QString>>; // control, text
using Talk = QList<std::pair<QByteArray, QByteArray>>;

struct Case {
    QString button;
    Texts set;   // before the click; a list shows its item of that text, or the text typed
    Talk talk;   // every line sent, in order, and its reply
    int code;    // the refusal shown, 0 none
    Texts shown; // what changes
    QString model = QStringLiteral("KX25A");
    QString wave = QStringLiteral("SIN");
    double hertz = 1000; // the output frequency read at connect; 0: none known
};
Q_DECLARE_METATYPE(Case)

namespace {

const QStringList watched{"mode",    "source",    "funcIndicator", "funcInfo",  "funcInfo2",
                          "message", "startFreq", "stopFreq",      "sweepRate", "modFreq",
                          "depthAM", "devFM",     "trigRate",      "burst"};
const std::pair<QString, QString> ready{"message", "Ready"};
const Texts labelsSet{{"funcIndicator", "x"}, {"funcInfo", "y"}, {"funcInfo2", "z"}};
const Texts labelsCleared{{"funcIndicator", ""}, {"funcInfo", ""}, {"funcInfo2", ""}};

QStringList shown(Rig& rig) {
    QStringList out;
    for (const QString& name : watched) {
        QObject* o = rig.main().findChild<QObject*>(name);
        const auto* e = qobject_cast<QLineEdit*>(o);
        out << name + '=' + (e ? e->text() : qobject_cast<QLabel*>(o)->text());
    }
    return out;
}

void set(Rig& rig, const QString& name, const QString& text) {
    QObject* o = rig.main().findChild<QObject*>(name);
    if (auto* list = qobject_cast<QComboBox*>(o)) {
        const int item = list->findText(text);
        item >= 0 ? list->setCurrentIndex(item) : list->setEditText(text);
    } else if (auto* e = qobject_cast<QLineEdit*>(o)) {
        e->setText(text);
    } else {
        qobject_cast<QLabel*>(o)->setText(text);
    }
}

Talk sent(std::initializer_list<const char*> lines) {
    Talk talk;
    for (const char* l : lines)
        talk.append(std::pair{QByteArray(l), QByteArray()});
    return talk;
}

void add(const char* name, const Case& c) { QTest::newRow(name) << c; }

// `ends`, as typed in one unit, are pairs of an accepted value and a refused one beside
// it. `base` holds the button, the refusal and any question asked first.
void limits(const char* group, const Case& base, const QString& entry, const QString& line,
            const QStringList& ends, bool emptied, const Talk& readBack = {},
            const Texts& readShown = {}) {
    for (int i = 0; i < ends.size(); ++i) {
        Case c = base;
        c.set << std::pair{entry, ends[i]};
        if (i % 2 == 0) {
            c.code = 0;
            c.talk << std::pair{line.arg(ends[i]).toLatin1(), QByteArray()} << readBack;
            c.shown << readShown;
        } else if (emptied) {
            c.shown << std::pair{entry, QString()};
        }
        if (i % 2 == 0 || !base.talk.isEmpty())
            c.shown << ready;
        QTest::addRow("%s %s", group, qPrintable(ends[i])) << c;
    }
}

} // namespace

class SweepModulationTriggerTest : public QObject {
    Q_OBJECT
private slots:
    void conversation_data();
    void conversation();
};

void SweepModulationTriggerTest::conversation_data() {
    QTest::addColumn<Case>("c");
    add("linear sweep", {"linearSweep",
                         {{"mode", "Trig"},
                          {"funcInfo", "Start Frequency: 1.00000kHz"},
                          {"funcIndicator", "AM Modulation"},
                          {"source", "INT"}},
                         sent({"MODE CONT", "MODUL OFF", "SWE LIN", "SWE ON"}),
                         0,
                         {{"mode", "Cont"}, {"funcIndicator", "Linear Sweep"}, ready}});
    add("log sweep", {"logSweep",
                      {{"mode", "Gate"}},
                      sent({"MODE CONT", "MODUL OFF", "SWE LOG", "SWE ON"}),
                      0,
                      {{"mode", "Cont"}, {"funcIndicator", "Log Sweep"}, ready}});
    add("sweep off", {"sweepOff", labelsSet + Texts{{"mode", "Trig"}, {"source", "EXT"}},
                      sent({"SWE OFF"}), 0, labelsCleared + Texts{ready}});
    // A sweep end read back: the line with its own suffix, and the caption from the answer.
    const struct {
        const char *name, *button, *entry, *text, *line, *query, *reply, *label, *caption;
    } ends[] = {{"start kHz: KHZ", "startSweepkHz", "startFreq", "5", "SWSTA 5KHZ", "SWSTA?",
                 "5.00000E+3\r", "funcInfo", "Start Frequency: 5.00000kHz"},
                {"stop kHz: kHZ, CR LF", "stopSweepkHz", "stopFreq", "5", "SWSTO 5kHZ", "SWSTO?",
                 "5.00000E+3\r\n", "funcInfo2", "Stop Frequency: 5.00000kHz"},
                {"start undecoded", "startSweepkHz", "startFreq", "5", "SWSTA 5KHZ", "SWSTA?",
                 "1.0E+8\r", "message", "No valid answer from the generator to SWSTA?"}};
    for (const auto& e : ends)
        add(e.name, {e.button,
                     {{e.entry, e.text}},
                     {{e.line, {}}, {e.query, e.reply}},
                     0,
                     {ready, {e.label, e.caption}}});
    // The caption of each of the other sweep buttons, and each end's entry emptied.
    for (const auto& [end, query, label, prefix, hz, mhz] :
         {std::tuple{"SWSTA", "SWSTA?", "funcInfo", "Start", QStringList{"0.01", "0.009"},
                     QStringList{"20"}},
          {"SWSTO", "SWSTO?", "funcInfo2", "Stop", QStringList{"0.01"},
           QStringList{"20", "20.000001"}}}) {
        const QString side = QString(end) == "SWSTA" ? "start" : "stop";
        const Talk read{{query, line("1.00000E+3")}};
        const Texts caption{{label, QString(prefix) + " Frequency: 1.00000kHz"}};
        for (const auto& [suffix, unit, ends] : {std::tuple{"HZ", "Hz", hz}, {"MHZ", "MHz", mhz}}) {
            const Case base{side + "Sweep" + unit, {}, {}, 5, {}};
            limits(qPrintable(base.button + " KX25A SIN"), base, side + "Freq",
                   QString(end) + " %1" + suffix, ends, true, read, caption);
        }
    }
    // Accepted, with no caption.
    limits("sweep rate", {"sweepRateSec", {}, {}, 7, {}}, "sweepRate", "SWRA %1S", {"100"}, true);

    const char* const types[][5] = {
        {"AM Internal", "MODUL AM", "MODUL INT", "AM Modulation", "INT"},
        {"AM External", "MODUL AM", "MODUL EXT", "AM Modulation", "EXT"},
        {"FM Internal", "MODUL FM", "MODUL INT", "FM Modulation", "INT"},
        {"FM External", "MODUL FM", "MODUL EXT", "FM Modulation", "EXT"}};
    for (const auto& t : types)
        add(t[0], {"ModTypeSet", labelsSet + Texts{{"modType", t[0]}, {"mode", "Trig"}},
                   sent({"MODE CONT", "SWE OFF", t[1], t[2]}), 0,
                   labelsCleared +
                       Texts{{"mode", "Cont"}, {"funcIndicator", t[3]}, {"source", t[4]}, ready}});
    for (const char* none : {"Select", "AM Int"})
        add(none,
            {"ModTypeSet", labelsSet + Texts{{"modType", none}, {"source", "EXT"}},
             sent({"MODE CONT", "SWE OFF"}), 0, labelsCleared + Texts{{"mode", "Cont"}, ready}});
    for (const auto& [model, item, shapeLine] : {std::tuple{"KX25A", "Sine", "MODSH SIN"},
                                                 {"KX25A", "Square", "MODSH SQU"},
                                                 {"KX25A", "Triangle", "MODSH TRI"},
                                                 {"KX12A", "Sine", "MODSH SIN"},
                                                 {"KX12A", "Square", ""},
                                                 {"KX25A", "Select", ""}}) {
        Case c{"modShapeSet", {{"modShape", item}}, {}, 0, {ready}, model};
        if (*shapeLine) {
            c.talk = sent({shapeLine});
            c.shown << std::pair{"funcInfo", QString("Mod. Shape: ") + item};
        }
        QTest::addRow("shape %s %s", model, item) << c;
    }
    const Talk modFreqRead{{"MODFR?", line("1.00000E+3")}};
    const Texts modFreqShown{{"funcInfo2", "Mod. Frequency: 1.00000kHz"}};
    limits("modFreqHz", {"modFreqHz", {}, {}, 7, {}}, "modFreq", "MODFR %1HZ", {"0.01", "0.009"},
           true, modFreqRead, modFreqShown);
    limits("modFreqkHz", {"modFreqkHz", {}, {}, 7, {}}, "modFreq", "MODFR %1KHZ", {"20"}, true,
           modFreqRead, modFreqShown);
    // Asked first, the question passed: the depth's own refusal keeps the entry, the
    // deviation's empties it.
    limits("depth", {"setDepth", {}, {{"MODUL?", line("AM INT")}}, 7, {}}, "depthAM", "DEPT %1",
           {"100", "100.5"}, false);
    limits("devFMMHz KX12A SIN", {"devFMMHz", {}, {{"MODUL?", line("FM INT")}}, 5, {}, "KX12A"},
           "devFM", "DEV %1MHz", {"12", "13"}, true);
    // Refused on the question's answer, which keeps either entry; or the question unanswered.
    const auto asked = [](const char* name, const char* button, const char* entry, const char* text,
                          const QByteArray& answer, int code) {
        add(name, {button,
                   {{entry, text}},
                   {{"MODUL?", answer}},
                   code,
                   {code ? ready
                         : std::pair<QString, QString>{
                               "message", "No valid answer from the generator to MODUL?"}}});
    };
    asked("depth, AM EXT", "setDepth", "depthAM", "50", line("AM EXT"), 13);
    asked("depth, no answer", "setDepth", "depthAM", "50", {}, 0);
    asked("deviation, FM EXT", "devFMkHz", "devFM", "5", line("FM EXT"), 14);
    add("modulation off", {"modOff", labelsSet + Texts{{"source", "INT"}, {"mode", "Trig"}},
                           sent({"MODUL OFF"}), 0, labelsCleared + Texts{{"source", ""}, ready}});

    for (const auto& [item, modeLine, caption] : {std::tuple{"Continuous", "MODE CONT", "Cont"},
                                                  {"Triggered", "MODE TRIG", "Trig"},
                                                  {"Gate", "MODE GATE", "Gate"},
                                                  {"Burst", "MODE BURS", "Burst"},
                                                  {"Select", "", ""},
                                                  {"Gated", "", ""}}) {
        Case c{"TrigModeSet",
               labelsSet + Texts{{"trigMode", item}, {"mode", "x"}, {"source", "EXT"}},
               sent({"MODUL OFF", "SWE OFF"}), 0, labelsCleared + Texts{ready}};
        if (*modeLine) {
            c.talk << sent({modeLine});
            c.shown << std::pair{"mode", caption};
        }
        QTest::addRow("mode %s", item) << c;
    }
    for (const auto& [mode, item, sourceLine, code] :
         {std::tuple{"Trig", "External", "TRIG EXT", 0},
          {"Burst", "Internal", "TRIG INT", 0},
          {"Gate", "Ext", "", 0},
          {"Trig", "Select", "", 0},
          {"Cont", "External", "", 11}}) {
        Case c{
            "TrigSourceSet", {{"mode", mode}, {"trigSource", item}, {"source", "?"}}, {}, code, {}};
        if (*sourceLine) {
            c.talk = sent({sourceLine});
            c.shown << std::pair{"source", QString(sourceLine).mid(5)};
        }
        QTest::addRow("source %s mode %s", item, mode) << c;
    }
    for (const auto& [count, hertz, code] :
         {std::tuple{"65535", 1e3, 0}, {"65536", 1e3, 7}, {"10", 1.5e6, 12}, {"10\r", 1e3, 7}})
        QTest::addRow("burst %s at %g Hz", count, hertz)
            << Case{"setBurst", {{"burst", count}}, {}, code, {}, "KX25A", "SIN", hertz};
}

void SweepModulationTriggerTest::conversation() {
    QFETCH(Case, c);
    Rig rig(c.model);
    rig.generator().settings().function = c.wave;
    rig.generator().settings().frequency = c.hertz ? c.hertz : 1000;
    rig.connected();
    if (!c.hertz)
        rig.main().vars().outputFrequencyHz.reset();
    // What a sweep or modulation read-back leaves; the burst check must not take it.
    rig.main().vars().freqHzText = QStringLiteral("5000000");
    for (const QString& entry : watched.mid(6))
        set(rig, entry, QStringLiteral("7"));
    for (const auto& [name, text] : c.set)
        set(rig, name, text);
    QStringList expected = shown(rig);
    for (const auto& [name, text] : c.shown)
        expected[watched.indexOf(name)] = name + '=' + text;
    rig.expect(c.talk);
    button(rig, c.button)->click();
    rig.checkConversation();
    QCOMPARE(boxes(rig), refusal(c.code));
    QCOMPARE(shown(rig), expected);
    QVERIFY(idle(rig));
}

QTEST_MAIN(SweepModulationTriggerTest)
#include "tst_sweep_modulation_trigger.moc"
