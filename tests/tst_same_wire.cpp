// The same operation, the same wire: each row is an action on the panel and the kx-ctl
// command that must match it. Both run against a simulated generator in the same state,
// on clocks at the same moment: kx-ctl's questions of what its checks need come first,
// and from the operation's first line on both put the same lines on the wire at the same
// times, end at the same time, and refuse with the same text. The rows cover every
// declared row of the panel and every name kx-ctl sets.

#include "support/Rig.h"
#include "support/Texts.h"

#include "ctl/Ctl.h"
#include "panel/Setups.h"
#include "state/Request.h"
#include "support/Files.h"
#include "support/PanelRows.h"
#include "ui_Main.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

using namespace kxtest;

namespace {

constexpr int Unnumbered = -1;

struct Row {
    const char* name;
    const char* entry;  // objectName of the entry typed into or the list chosen from; "": none
    const char* text;   // typed, or the list item's position
    const char* button; // clicked
    QStringList ctl;    // kx-ctl's arguments
    int refusal = 0;    // the refusal's code; Unnumbered: a refusal without a number
    QByteArrayList setup = {}; // lines the generator takes before either connects
    const char* model = "KX25A";
};

QStringList args(const char* line) { return QString::fromLatin1(line).split(QLatin1Char(' ')); }

QList<Row> rows() {
    const QByteArrayList amInt{"MODUL AM", "MODUL INT"}, fmInt{"MODUL FM", "MODUL INT"};
    const QByteArrayList square{"FUNC SQU"};
    return {
        {"frequency Hz", "setF", "2500", "freqHz", args("set frequency 2500Hz")},
        {"frequency kHz", "setF", "2.5", "freqKHz", args("set frequency 2.5kHz")},
        {"frequency MHz", "setF", "1.5", "freqMHz", args("set frequency 1.5MHz")},
        {"frequency, unit apart", "setF", "750", "freqHz", args("set frequency 750 Hz")},
        {"frequency above the KX25A", "setF", "30", "freqMHz", args("set frequency 30MHz"), 5},
        {"frequency above the KX12A",
         "setF",
         "15",
         "freqMHz",
         args("set frequency 15MHz"),
         5,
         {},
         "KX12A"},
        {"frequency above the ramp",
         "setF",
         "3",
         "freqMHz",
         args("set frequency 3MHz"),
         5,
         {"FUNC TRI"}},
        {"frequency not a number", "setF", "1,5", "freqKHz", args("set frequency 1,5kHz"), 5},
        {"amplitude", "setA", "2", "ampV", args("set amplitude 2V")},
        {"amplitude above range", "setA", "11", "ampV", args("set amplitude 11"), 6},
        {"amplitude against the offset",
         "setA",
         "8",
         "ampV",
         args("set amplitude 8"),
         8,
         {"OFFS 2"}},
        {"offset", "setO", "-1.5", "offV", args("set offset -1.5")},
        {"offset above range", "setO", "6", "offV", args("set offset 6V"), 7},
        {"offset against the amplitude", "setO", "3", "offV", args("set offset 3"), 8},
        {"duty", "duty", "30", "setDuty", args("set duty 30%"), 0, square},
        {"duty of the ramp", "duty", "95", "setDuty", args("set duty 95"), 0, {"FUNC TRI"}},
        {"duty of the sine", "duty", "30", "setDuty", args("set duty 30"), 9},
        {"duty out of range", "duty", "90", "setDuty", args("set duty 90"), 7, square},
        {"duty above 2 MHz",
         "duty",
         "30",
         "setDuty",
         args("set duty 30"),
         10,
         {"FUNC SQU", "FREQ 5MHZ"}},
        {"sine", "", "", "sine", args("set waveform sine"), 0, square},
        {"square", "", "", "square", args("set waveform square")},
        {"ramp", "", "", "ramp", args("set waveform ramp")},
        {"output on", "", "", "outOn", args("set output on")},
        {"output off", "", "", "outOff", args("set output off"), 0, {"OUT ON"}},
        {"linear sweep", "", "", "linearSweep", args("set sweep lin")},
        {"log sweep", "", "", "logSweep", args("set sweep log")},
        {"sweep off", "", "", "sweepOff", args("set sweep off")},
        {"sweep start Hz", "startFreq", "500", "startSweepHz", args("set sweep-start 500Hz")},
        {"sweep start kHz", "startFreq", "1.5", "startSweepkHz", args("set sweep-start 1.5kHz")},
        {"sweep start MHz", "startFreq", "1", "startSweepMHz", args("set sweep-start 1MHz")},
        {"sweep stop Hz", "stopFreq", "900", "stopSweepHz", args("set sweep-stop 900Hz")},
        {"sweep stop kHz", "stopFreq", "2", "stopSweepkHz", args("set sweep-stop 2kHz")},
        {"sweep stop MHz", "stopFreq", "1.5", "stopSweepMHz", args("set sweep-stop 1.5MHz")},
        {"sweep stop above range", "stopFreq", "21", "stopSweepMHz", args("set sweep-stop 21MHz"),
         5},
        {"sweep rate", "sweepRate", "2", "sweepRateSec", args("set sweep-rate 2s")},
        {"sweep rate above range", "sweepRate", "200", "sweepRateSec", args("set sweep-rate 200"),
         7},
        {"AM internal", "modType", "0", "ModTypeSet", args("set modulation am-int")},
        {"AM external", "modType", "1", "ModTypeSet", args("set modulation am-ext")},
        {"FM internal", "modType", "2", "ModTypeSet", args("set modulation fm-int")},
        {"FM external", "modType", "3", "ModTypeSet", args("set modulation fm-ext")},
        {"modulation off", "", "", "modOff", args("set modulation off"), 0, amInt},
        {"shape sine", "modShape", "0", "modShapeSet", args("set mod-shape sine")},
        {"shape square", "modShape", "1", "modShapeSet", args("set mod-shape square")},
        {"shape triangle", "modShape", "2", "modShapeSet", args("set mod-shape triangle")},
        {"shape sine, KX12A",
         "modShape",
         "0",
         "modShapeSet",
         args("set mod-shape sine"),
         0,
         {},
         "KX12A"},
        {"mod frequency Hz", "modFreq", "100", "modFreqHz", args("set mod-frequency 100Hz")},
        {"mod frequency kHz", "modFreq", "1.5", "modFreqkHz", args("set mod-frequency 1.5kHz")},
        {"mod frequency above range", "modFreq", "30", "modFreqkHz",
         args("set mod-frequency 30kHz"), 7},
        {"depth", "depthAM", "50", "setDepth", args("set depth 50%"), 0, amInt},
        {"depth without internal AM", "depthAM", "50", "setDepth", args("set depth 50"), 13},
        {"deviation Hz", "devFM", "100", "devFMHz", args("set deviation 100Hz"), 0, fmInt},
        {"deviation kHz", "devFM", "1.5", "devFMkHz", args("set deviation 1.5kHz"), 0, fmInt},
        {"deviation MHz", "devFM", "0.5", "devFMMHz", args("set deviation 0.5MHz"), 0, fmInt},
        {"deviation without internal FM", "devFM", "100", "devFMHz", args("set deviation 100Hz"),
         14, amInt},
        {"continuous", "trigMode", "0", "TrigModeSet", args("set trigger-mode continuous")},
        {"triggered", "trigMode", "1", "TrigModeSet", args("set trigger-mode triggered")},
        {"gate", "trigMode", "2", "TrigModeSet", args("set trigger-mode gate")},
        {"burst mode", "trigMode", "3", "TrigModeSet", args("set trigger-mode burst")},
        {"source internal",
         "trigSource",
         "0",
         "TrigSourceSet",
         args("set trigger-source int"),
         0,
         {"MODE TRIG"}},
        {"source external",
         "trigSource",
         "1",
         "TrigSourceSet",
         args("set trigger-source ext"),
         0,
         {"MODE GATE"}},
        {"source in continuous mode", "trigSource", "1", "TrigSourceSet",
         args("set trigger-source ext"), 11},
        {"trigger rate us", "trigRate", "20", "trigRateMicro", args("set trigger-rate 20us")},
        {"trigger rate ms", "trigRate", "20", "trigRateMilli", args("set trigger-rate 20ms")},
        {"trigger rate s", "trigRate", "2", "trigRateSec", args("set trigger-rate 2s")},
        {"trigger rate above range", "trigRate", "20", "trigRateSec", args("set trigger-rate 20s"),
         7},
        {"burst", "burst", "10", "setBurst", args("set burst 10")},
        {"burst of no cycles", "burst", "0", "setBurst", args("set burst 0"), 7},
        {"burst above 1 MHz", "burst", "10", "setBurst", args("set burst 10"), 12, {"FREQ 2MHZ"}},
        {"save", "memLocation", "3", "save", args("save 3")},
        {"recall", "memLocation", "3", "recall", args("recall 3")},
        {"factory", "", "", "facDefault", args("factory")},
        {"save outside the KX25A", "memLocation", "20", "save", args("save 20"), Unnumbered},
        {"save outside the KX12A",
         "memLocation",
         "10",
         "save",
         args("save 10"),
         Unnumbered,
         {},
         "KX12A"},
        {"recall of no number", "memLocation", "abc", "recall", args("recall abc"), Unnumbered},
        {"save 3.0", "memLocation", "3.0", "save", args("save 3.0")},
        {"recall of no whole number", "memLocation", "2.5", "recall", args("recall 2.5"),
         Unnumbered},
        {"update", "", "", "updateDisplay", args("status")},
    };
}

// What one side put on the wire and said.
struct Side {
    QList<QByteArray> lines;
    QList<qint64> times; // when each line went, ms from the start
    qint64 end = 0;      // when the operation was over, ms from the start
    QString refusal;     // its text
    int status = 0;      // kx-ctl's exit status
};

// 12:00:10.250 on both clocks when the operation starts.
constexpr qint64 start = 1'765'108'810'250;

QList<qint64> sinceStart(const QList<qint64>& times) {
    QList<qint64> out;
    for (qint64 t : times)
        out << t - start;
    return out;
}

Side onPanel(const Row& row) {
    Rig rig(QString::fromLatin1(row.model));
    for (const QByteArray& line : row.setup)
        rig.generator().handleLine(line);
    rig.connected();
    rig.clock().setWall(start);
    rig.port().times.clear();
    if (QLineEdit* entry = rig.main().findChild<QLineEdit*>(QLatin1String(row.entry)))
        entry->setText(QString::fromLatin1(row.text));
    else if (QComboBox* list = rig.main().findChild<QComboBox*>(QLatin1String(row.entry)))
        list->setCurrentIndex(QByteArray(row.text).toInt());
    button(rig, QString::fromLatin1(row.button))->click();
    Side s;
    s.lines = rig.takeLines();
    s.times = sinceStart(rig.port().times);
    s.end = rig.clock().wallMsecs() - start;
    const QStringList shown = boxes(rig);
    if (!shown.isEmpty())
        s.refusal = shown.last().section(QStringLiteral(" | "), 2);
    return s;
}

Side onCtl(const Row& row) {
    Instrument in(QString::fromLatin1(row.model));
    in.port.disconnect(&in.link); // kx-ctl brings its own exchange
    for (const QByteArray& line : row.setup)
        in.generator->handleLine(line);
    in.clock.setWall(start);
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    kxctl::Environment env{in.port, in.clock, outStream, errStream};
    Side s;
    s.status =
        kxctl::run(QStringList{QStringLiteral("-d"), QStringLiteral("/dev/fake")} + row.ctl, env);
    s.end = in.clock.wallMsecs() - start;
    s.lines = in.takeLines();
    s.times = sinceStart(in.port.times);
    static const QRegularExpression refusal(QStringLiteral("^kx-ctl: refused(?: \\(\\d+\\))?: "));
    if (err.contains(refusal))
        s.refusal = err.remove(refusal).trimmed();
    return s;
}

} // namespace

class SameWireTest : public QObject {
    Q_OBJECT
private slots:
    void everyRowIsMatched();
    void sameWire_data();
    void sameWire();
    void setupFiles_data();
    void setupFiles();
};

// Every declared row of the panel and every plain handler has a row here, and every
// name and word kx-ctl sets is used.
void SameWireTest::everyRowIsMatched() {
    QSet<QString> buttons, said;
    for (const Row& row : rows()) {
        buttons << QString::fromLatin1(row.button);
        said << row.ctl.mid(0, 3).join(QLatin1Char(' '));
        said << row.ctl.mid(0, 2).join(QLatin1Char(' '));
    }
    QStringList wanted{"sine",   "square",  "ramp",       "outOn",
                       "outOff", "setDuty", "setBurst",   "TrigSourceSet",
                       "save",   "recall",  "facDefault", "updateDisplay"};
    for (const kx::SettingRow* row : kx::settingRows())
        wanted << QString::fromLatin1(row->button);
    for (const kx::CommandRow* row : kx::commandRows())
        wanted << QString::fromLatin1(row->button);
    for (const QString& b : wanted)
        QVERIFY2(buttons.contains(b), qPrintable(b));
    for (const kx::Name& n : kx::names()) {
        const QString set = QStringLiteral("set ") + QLatin1String(n.name);
        QVERIFY2(said.contains(set), qPrintable(set));
        for (const kx::Word& w : kx::words(n))
            QVERIFY2(said.contains(set + ' ' + w.word), qPrintable(set + ' ' + w.word));
    }
}

void SameWireTest::sameWire_data() {
    QTest::addColumn<int>("index");
    const QList<Row> all = rows();
    for (int i = 0; i < all.size(); ++i)
        QTest::newRow(all[i].name) << i;
}

void SameWireTest::sameWire() {
    QFETCH(int, index);
    const Row row = rows().at(index);
    const Side panel = onPanel(row);
    const Side ctl = onCtl(row);

    // What kx-ctl asked first: the questions of what the checks need, in their order.
    const qsizetype asked = ctl.lines.size() - panel.lines.size();
    QVERIFY2(asked >= 0, qPrintable(QString::fromLatin1(ctl.lines.join(' '))));
    static const QList<QByteArray> questions{"*IDN?", "FUNC?", "FREQ?", "AMPL?", "OFFS?", "MODE?"};
    qsizetype next = 0;
    for (const QByteArray& line : ctl.lines.mid(0, asked)) {
        QVERIFY2(questions.indexOf(line, next) >= 0, line.constData());
        next = questions.indexOf(line, next) + 1;
    }
    QCOMPARE(ctl.lines.mid(asked), panel.lines);
    QCOMPARE(ctl.times.mid(asked, panel.times.size()), panel.times);
    QCOMPARE(ctl.end, panel.end);
    QCOMPARE(ctl.refusal, panel.refusal);
    if (row.refusal > 0)
        QCOMPARE(refusal(row.refusal).value(0).section(QStringLiteral(" | "), 2), panel.refusal);
    QCOMPARE(panel.refusal.isEmpty(), row.refusal == 0);
    QCOMPARE(ctl.status, row.refusal ? int(kxctl::Refused) : int(kxctl::Done));
}

// Set-up files between the panel and kx-ctl. Each row is a state of the generator. Saved
// from it by the panel and by kx-ctl, the set-up is the same; the panel's set-up run by
// kx-ctl and kx-ctl's opened by the panel, each on a generator in its factory state, put
// the same settings on the wire and bring back every reported quantity.
void SameWireTest::setupFiles_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<QByteArrayList>("state");
    QTest::newRow("factory") << "KX25A" << QByteArrayList{};
    QTest::newRow("square, triggered, output on")
        << "KX25A"
        << QByteArrayList{"FUNC SQU", "FREQ 2.5KHZ", "AMPL 4", "OFFS -1.5", "MODE TRIG", "OUT ON"};
    QTest::newRow("ramp, log sweep")
        << "KX20A" << QByteArrayList{"FUNC TRI", "SWE LOG", "SWE ON", "SWSTA 100HZ", "SWSTO 10kHZ"};
    QTest::newRow("internal AM on a KX12A")
        << "KX12A" << QByteArrayList{"MODUL AM", "MODUL INT", "MODFR 2KHZ", "AMPL 0.5"};
    QTest::newRow("offset before amplitude")
        << "KX25A" << QByteArrayList{"AMPL 10", "OFFS 0", "FREQ 12MHZ"};
}

void SameWireTest::setupFiles() {
    QFETCH(QString, model);
    QFETCH(QByteArrayList, state);
    const QByteArrayList queries{"FUNC?",  "FREQ?", "AMPL?",  "OFFS?",  "MODE?", "SWE?",
                                 "MODUL?", "OUT?",  "SWSTA?", "SWSTO?", "MODFR?"};
    const auto reported = [&](kxsim::Generator& g) {
        QByteArrayList answers;
        for (const QByteArray& q : queries)
            answers << g.handleLine(q).value_or("none");
        return answers;
    };
    const auto settings = [](const QList<QByteArray>& lines) {
        QList<QByteArray> out;
        for (const QByteArray& l : lines) {
            if (!l.endsWith('?'))
                out << l;
        }
        return out;
    };
    const auto body = [](const QByteArray& text) { return text.split('\n').mid(2); };
    QTemporaryDir dir;
    const QString panelFile = dir.filePath(QStringLiteral("panel.kx"));
    const QString ctlFile = dir.filePath(QStringLiteral("ctl.kx"));

    Rig saver(model);
    for (const QByteArray& line : state)
        saver.generator().handleLine(line);
    const QByteArrayList wanted = reported(saver.generator());
    saver.connected();
    saver.setupFileName = panelFile;
    saver.main().setups().mnuSaveSetup_Click();
    QVERIFY(saver.takeBoxes().isEmpty());

    Instrument in(model);
    in.port.disconnect(&in.link);
    for (const QByteArray& line : state)
        in.generator->handleLine(line);
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    kxctl::Environment env{in.port, in.clock, outStream, errStream};
    env.write = [](const QString& name, const QByteArray& text) {
        QFile f(name);
        return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
    };
    env.read = [](const QString& name) { return std::optional<QByteArray>(readFile(name)); };
    QCOMPARE(kxctl::run({"-d", "/dev/fake", "save-setup", ctlFile}, env), 0);
    QCOMPARE(body(readFile(panelFile)), body(readFile(ctlFile)));

    Rig opener(model);
    opener.connected();
    opener.setupFileName = ctlFile;
    opener.main().setups().mnuOpenSetup_Click();
    QVERIFY(opener.takeBoxes().isEmpty());
    QVERIFY2(opener.ui().message->text().startsWith(QLatin1String("Set-up ctl.kx applied")),
             qPrintable(opener.ui().message->text()));

    Instrument runner(model);
    runner.port.disconnect(&runner.link);
    kxctl::Environment runEnv{runner.port, runner.clock, outStream, errStream};
    runEnv.read = env.read;
    QCOMPARE(kxctl::run({"-d", "/dev/fake", "run", panelFile}, runEnv), 0);

    QCOMPARE(settings(runner.takeLines()), settings(opener.takeLines()));
    QCOMPARE(reported(opener.generator()), wanted);
    QCOMPARE(reported(*runner.generator), wanted);
    opener.checkNothingRejected();
    runner.talk.checkNothingRejected();
}

QTEST_MAIN(SameWireTest)
#include "tst_same_wire.moc"
