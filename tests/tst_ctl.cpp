// kx-ctl in-process on the test doubles, without a window: each row is a command line,
// the conversation it must have with the generator (the lines sent and the answers), what
// it prints on each stream and its exit status. A wrong, missing or extra line fails the
// row by itself.

#include "support/Instrument.h"

#include "ctl/Ctl.h"

#include <QtTest>

#include <csignal>

using namespace kxtest;

Q_DECLARE_METATYPE(kx::PortError)

namespace {

const char* const range5 =
    "Range error! The entered value is outside the frequency range of the generator.";
const char* const range7 = "Range error! The entered value is outside the adjustable range.";

// The answers of a generator in the state the status rows read.
const Talk statusTalk{{"FUNC?", line("SQU")},        {"FREQ?", line("2.50000E+3")},
                      {"AMPL?", line("4.00000E+0")}, {"OFFS?", line("-1.00000E-3")},
                      {"MODE?", line("TRIG")},       {"SWE?", line("LIN ON")},
                      {"MODUL?", line("FM EXT")}};

QString lines(std::initializer_list<const char*> all) {
    QString out;
    for (const char* l : all)
        out += QString::fromUtf8(l) + '\n';
    return out;
}

// Standard output on a full disk or a closed pipe: every write fails.
class BrokenOutput final : public QIODevice {
public:
    BrokenOutput() { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64) override { return -1; }
};

// What else happens to kx-ctl while it runs.
enum class Happens { Nothing, OutputFails, SigtermInFirstPause };

} // namespace

Q_DECLARE_METATYPE(Happens)

namespace {} // namespace

class CtlTest : public QObject {
    Q_OBJECT
private slots:
    void command_data();
    void command();
    void limits();
    void saveSetup_data();
    void saveSetup();
};

void CtlTest::command_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("file"); // what a run file holds
    QTest::addColumn<Talk>("talk");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::addColumn<kx::PortError>("refuseOpen");
    QTest::addColumn<int>("pullCableAfter"); // lines; -1: never
    QTest::addColumn<Happens>("happens");
    QTest::addColumn<QByteArray>("waiting"); // on the line before kx-ctl opens the port

    const auto row = [](const char* name, const char* args, const Talk& talk, int status,
                        const QString& out, const QString& err = {}, const QByteArray& file = {},
                        kx::PortError refuse = kx::PortError::None, int pull = -1,
                        Happens happens = Happens::Nothing, const QByteArray& waiting = {}) {
        QTest::newRow(name) << QString::fromUtf8(args).split(' ') << file << talk << status << out
                            << err << refuse << pull << happens << waiting;
    };
    const QString usage = QStringLiteral("\nTry kx-ctl --help.\n");
    const Talk idn{{"*IDN?", line("KX25A Function Generator,SIM,1.0")}};
    const Talk idn12{{"*IDN?", line("KX12A Function Generator,SIM,1.0")}};

    row("status", "-d /dev/fake status", statusTalk + Talk{{"OUT?", line("1")}}, 0,
        lines({"waveform: square", "frequency: 2.50000 kHz", "amplitude: 4.00000 V",
               "offset: -0.001 V", "trigger-mode: triggered", "sweep: lin", "modulation: fm-ext",
               "output: on"}));
    row("status as JSON", "-d /dev/fake --json status",
        Talk{{"FUNC?", line("SIN")},
             {"FREQ?", line("1.00000E+6")},
             {"AMPL?", line("5.00000E+0")},
             {"OFFS?", line("0.00000E+0")},
             {"MODE?", line("CONT")},
             {"SWE?", line("OFF")},
             {"MODUL?", line("OFF")},
             {"OUT?", line("0")}},
        0,
        lines(
            {R"({"answer":"SIN","command":"status","confirmed":true,"name":"waveform","sent":["FUNC?"],"value":"sine"})",
             R"({"answer":"1.00000E+6","command":"status","confirmed":true,"name":"frequency","sent":["FREQ?"],"unit":"MHz","value":"1.00000"})",
             R"({"answer":"5.00000E+0","command":"status","confirmed":true,"name":"amplitude","sent":["AMPL?"],"unit":"V","value":"5.00000"})",
             R"({"answer":"0.00000E+0","command":"status","confirmed":true,"name":"offset","sent":["OFFS?"],"unit":"V","value":"0.00000"})",
             R"({"answer":"CONT","command":"status","confirmed":true,"name":"trigger-mode","sent":["MODE?"],"value":"continuous"})",
             R"({"answer":"OFF","command":"status","confirmed":true,"name":"sweep","sent":["SWE?"],"value":"off"})",
             R"({"answer":"OFF","command":"status","confirmed":true,"name":"modulation","sent":["MODUL?"],"value":"off"})",
             R"({"answer":"0","command":"status","confirmed":true,"name":"output","sent":["OUT?"],"value":"off"})"}));
    row("status, the mode not understood", "-d /dev/fake status",
        Talk{statusTalk.mid(0, 4)} + Talk{{"MODE?", line("")}} + statusTalk.mid(5) +
            Talk{{"OUT?", line("0")}},
        4,
        lines({"waveform: square", "frequency: 2.50000 kHz", "amplitude: 4.00000 V",
               "offset: -0.001 V", "sweep: lin", "modulation: fm-ext", "output: off"}),
        lines({"kx-ctl: No valid answer from the generator to MODE?"}));
    row("status, a silent generator", "-d /dev/fake status", Talk{{"FUNC?", ""}}, 4, {},
        lines({"kx-ctl: No valid answer from the generator to FUNC?"}));
    row("set as JSON", "-d /dev/fake --json set frequency 2.5kHz",
        idn + Talk{{"FUNC?", line("SIN")}, {"FREQ 2.5KHZ", ""}, {"FREQ?", line("2.50000E+3")}}, 0,
        lines(
            {R"({"answer":"2.50000E+3","command":"set frequency 2.5kHz","confirmed":true,"name":"frequency","sent":["*IDN?","FUNC?","FREQ 2.5KHZ","FREQ?"],"unit":"kHz","value":"2.50000"})"}));
    row("refusal as JSON", "-d /dev/fake --json set frequency 30MHz",
        idn + Talk{{"FUNC?", line("SIN")}}, 1,
        lines(
            {R"({"command":"set frequency 30MHz","refused":{"code":5,"text":"Range error! The entered value is outside the frequency range of the generator."},"sent":["*IDN?","FUNC?"]})"}),
        QStringLiteral("kx-ctl: refused (5): ") + range5 + '\n');
    row("read-back unanswered", "-d /dev/fake --json set amplitude 2",
        Talk{{"OFFS?", line("0.00000E+0")}, {"AMPL 2", ""}, {"AMPL?", ""}}, 4,
        lines(
            {R"({"command":"set amplitude 2","error":"no valid answer","query":"AMPL?","sent":["OFFS?","AMPL 2","AMPL?"],"text":"No valid answer from the generator to AMPL?"})"}),
        lines({"kx-ctl: No valid answer from the generator to AMPL?"}));
    row("a setting without read-back", "-d /dev/fake set trigger-rate 20 ms",
        Talk{{"TRIG 20MS", ""}}, 0,
        lines({"trigger-rate: 20 ms (sent; the generator does not report it)"}));
    row("a setting without read-back as JSON", "-d /dev/fake --json set trigger-rate 20 ms",
        Talk{{"TRIG 20MS", ""}}, 0,
        lines(
            {R"({"command":"set trigger-rate 20 ms","confirmed":false,"name":"trigger-rate","sent":["TRIG 20MS"],"unit":"ms","value":"20"})"}));
    row("a choice the status reads", "-d /dev/fake set sweep log",
        Talk{{"MODE CONT", ""}, {"MODUL OFF", ""}, {"SWE LOG", ""}, {"SWE ON", ""}}, 0,
        lines({"sweep: log (sent; not read back: status asks for it)"}));
    row("the output as the generator says", "-d /dev/fake set output on",
        Talk{{"OUT ON", ""}, {"OUT?", line("0")}}, 0, lines({"output: off"}));
    row("the output answered with no state", "-d /dev/fake set output on",
        Talk{{"OUT ON", ""}, {"OUT?", line("2")}}, 4, {},
        lines({"kx-ctl: No valid answer from the generator to OUT?"}));
    row("a burst is only checked", "-d /dev/fake set burst 10", Talk{{"FREQ?", line("1.00000E+3")}},
        0, lines({"burst: 10 cycles (checked only: the generator takes no line)"}));
    row("a shape the KX12A has not", "-d /dev/fake set mod-shape square", idn12, 1, {},
        lines({"kx-ctl: refused: The KX12A has no square modulating shape."}));
    row("a location the KX12A has not", "-d /dev/fake save 10", idn12, 1, {},
        lines({"kx-ctl: refused: Number outside of valid range."}));
    row("a location that is not whole", "-d /dev/fake save 2.5", idn, 1, {},
        lines({"kx-ctl: refused: Enter number only. For KX12A: Valid numbers: 1-9 .For "
               "KX20A/KX25A: Valid numbers: 1-19"}));
    row("save, then the status", "-d /dev/fake save 3",
        idn + Talk{{"*SAV 3", ""}} + statusTalk + Talk{{"OUT?", line("1")}}, 0,
        lines({"save: 3", "waveform: square", "frequency: 2.50000 kHz", "amplitude: 4.00000 V",
               "offset: -0.001 V", "trigger-mode: triggered", "sweep: lin", "modulation: fm-ext",
               "output: on"}));
    row("identify names no KX", "-d /dev/fake identify", Talk{{"*IDN?", line("ACME,1.0")}}, 4,
        lines({"ACME,1.0"}),
        lines({"kx-ctl: The generator's answer to *IDN? names no KX model: ACME,1.0"}));
    row("send a query", "-d /dev/fake send SWE?", Talk{{"SWE?", line("LIN ON") + '\n'}}, 0,
        lines({"LIN ON"}));
    row("send a setting", "-d /dev/fake send FREQ 5KHZ", Talk{{"FREQ 5KHZ", ""}}, 0,
        lines({"sent: FREQ 5KHZ"}));
    row("an answer is shown, not obeyed, on the terminal", "-d /dev/fake send *IDN?",
        Talk{{"*IDN?", line("KX25A\x1b[2J\x07\xe2\x80\xae")}}, 0,
        lines({"KX25A<0x1b>[2J<0x07><0xe2><0x80><0xae>"}));
    row("port not a serial port", "-d /dev/fake status", {}, 3, {},
        lines({"kx-ctl: /dev/fake is not a serial port"}), {}, kx::PortError::NotSerial);
    row("an old answer waiting at open", "-d /dev/fake identify",
        Talk{{"*IDN?", line("KX25A Function Generator,SIM,1.0")}}, 0,
        lines({"KX25A Function Generator,SIM,1.0"}), {}, {}, kx::PortError::None, -1,
        Happens::Nothing, "KX12A,old\r\n");
    row("port in use", "-d /dev/fake status", {}, 3, {},
        lines({"kx-ctl: /dev/fake is in use by another program"}), {}, kx::PortError::Busy);
    row("port not permitted", "-p 3 status", {}, 3, {},
        lines({"kx-ctl: you may not open port 3 (/dev/ttyS2): serial devices belong to the group "
               "dialout (sudo usermod -aG dialout $USER)"}),
        {}, kx::PortError::NoPermission);
    row("port refuses the line's settings", "-d /dev/null status", {}, 3, {},
        lines({"kx-ctl: /dev/null cannot be opened"}), {}, kx::PortError::Rejected);
    row("cable pulled at the second line", "-d /dev/fake set sweep lin", Talk{{"MODE CONT", ""}}, 3,
        {}, lines({"kx-ctl: the connection to the generator was lost"}), {}, kx::PortError::None,
        2);

    // Nothing is sent for a command line that is not understood.
    const auto refusedUsage = [&](const char* name, const char* args, const char* why) {
        row(name, args, {}, 2, {}, QStringLiteral("kx-ctl: ") + why + usage);
    };
    refusedUsage("no unit", "-d /dev/fake set frequency 2.5",
                 "frequency needs a unit: Hz, kHz, MHz");
    refusedUsage("a unit in the wrong case", "-d /dev/fake set frequency 2.5khz",
                 "frequency takes Hz, kHz, MHz, not khz");
    refusedUsage("a unit of another setting", "-d /dev/fake set amplitude 2Hz",
                 "amplitude takes V, not Hz");
    refusedUsage("no such setting", "-d /dev/fake set colour red", "there is no setting colour");
    refusedUsage("no such word", "-d /dev/fake set sweep on",
                 "sweep is one of lin, log, off, not on");
    refusedUsage("no value", "-d /dev/fake set depth", "set depth needs a value");
    refusedUsage("no name", "-d /dev/fake set", "usage: set NAME VALUE");
    refusedUsage("no such command", "-d /dev/fake frobnicate", "there is no command frobnicate");
    refusedUsage("too many words", "-d /dev/fake status now", "usage: status");
    refusedUsage("no port", "status", "no port given: -p N or -d DEVICE");
    refusedUsage("port 17", "-p 17 status", "the port is a number from 1 to 16, not 17");
    refusedUsage("port 2.5", "-p 2.5 status", "the port is a number from 1 to 16, not 2.5");
    refusedUsage("port 03", "-p 03 status", "the port is a number from 1 to 16, not 03");
    refusedUsage("port by name", "-p three status", "the port is a number from 1 to 16, not three");
    refusedUsage("two ports", "-p 3 -d /dev/fake status", "give one port: -p N or -d DEVICE");
    refusedUsage("an option after the command", "-d /dev/fake status --json", "usage: status");
    refusedUsage("send a tab", "-d /dev/fake send FREQ\t5KHZ",
                 "send takes one line of printable ASCII");
    refusedUsage("send beyond ASCII", "-d /dev/fake send FREQ 5\xc2\xb5",
                 "send takes one line of printable ASCII");
    // A value is one word, and a unit exactly one of the setting's.
    refusedUsage("two words glued as one value", "-d /dev/fake set amplitude 1 0",
                 "set amplitude takes one value and at most a unit (V) after it; 0 is one too "
                 "many");
    refusedUsage("a number after the value", "-d /dev/fake set frequency 1 5kHz",
                 "set frequency takes one value and at most a unit (Hz, kHz, MHz) after it; 5kHz "
                 "is one too many");
    refusedUsage("two units", "-d /dev/fake set frequency 2.5kHz kHz",
                 "set frequency takes one value and at most a unit (Hz, kHz, MHz) after it; kHz "
                 "is one too many");
    refusedUsage("a word after the unit", "-d /dev/fake set frequency 2.5 kHz now",
                 "set frequency takes one value and at most a unit (Hz, kHz, MHz) after it; now "
                 "is one too many");
    refusedUsage("a word in two", "-d /dev/fake set output o n",
                 "set output takes one word as its value; n is one too many");
    refusedUsage("millihertz", "-d /dev/fake set frequency 10mHz",
                 "frequency takes Hz, kHz, MHz, not mHz");
    refusedUsage("kilohertz in capitals", "-d /dev/fake set frequency 10KHz",
                 "frequency takes Hz, kHz, MHz, not KHz");
    refusedUsage("a unit of no setting", "-d /dev/fake set duty 30x", "duty takes %, not x");
    refusedUsage("milliseconds for the sweep", "-d /dev/fake set sweep-rate 20ms",
                 "sweep-rate takes s, not ms");
    refusedUsage("a unit for the burst", "-d /dev/fake set burst 10x",
                 "burst takes a number without a unit, not x");
    refusedUsage("a unit alone", "-d /dev/fake set frequency kHz",
                 "frequency needs a number before kHz");
    refusedUsage("the terminal's control codes are shown",
                 "-d /dev/fake set waveform sq\x1b[2J\ruare",
                 "waveform is one of sine, square, ramp, not sq<0x1b>[2J<CR>uare");

    // Run files: every line is understood, and checked against the generator as the lines
    // before it leave it, before anything is sent.
    const QByteArray setup = "# the square\nset waveform square\n\nset duty 90  # too much\n"
                             "set duty 30\n";
    const Talk checkTalk{{"FUNC?", line("SIN")}, {"FREQ?", line("1.00000E+3")}};
    const QString refused90 = QStringLiteral("kx-ctl: f.kx:4: refused (7): ") + range7 +
                              "\nkx-ctl: f.kx: nothing sent: the generator would refuse 1 line\n";
    row("run sends nothing when a line would be refused", "-d /dev/fake run f.kx", checkTalk, 1, {},
        refused90, setup);
    row("run --keep-going does not send it either", "-d /dev/fake --keep-going run f.kx", checkTalk,
        1, {}, refused90, setup);
    row("run: a line refused only after the one before it", "-d /dev/fake run f.kx",
        idn + Talk{{"FUNC?", line("SIN")}}, 1, {},
        "kx-ctl: f.kx:2: refused (5): Range error! The entered value is outside the frequency "
        "range of the generator.\nkx-ctl: f.kx: nothing sent: the generator would refuse 1 "
        "line\n",
        "set waveform ramp\nset frequency 15MHz\n");
    row("run: amplitude and offset in the order that keeps their rule", "-d /dev/fake run f.kx",
        Talk{{"AMPL?", line("1.00000E+1")},
             {"OFFS?", line("0.00000E+0")},
             {"AMPL 2", ""},
             {"AMPL?", line("2.00000E+0")},
             {"AMPL?", line("2.00000E+0")},
             {"OFFS 4", ""},
             {"OFFS?", line("4.00000E+0")}},
        0, lines({"amplitude: 2.00000 V", "offset: 4.00000 V"}), {},
        "set offset 4\nset amplitude 2\n");
    row("run asks the model once", "-d /dev/fake run -",
        idn + Talk{{"FUNC?", line("SIN")},
                   {"FREQ 1KHZ", ""},
                   {"FREQ?", line("1.00000E+3")},
                   {"FUNC?", line("SIN")},
                   {"SWSTA 2KHZ", ""},
                   {"SWSTA?", line("2.00000E+3")},
                   {"*IDN?", line("KX25A")}},
        0, lines({"frequency: 1.00000 kHz", "sweep-start: 2.00000 kHz", "KX25A"}), {},
        "set frequency 1kHz\r\nset sweep-start 2 kHz\nsend   *IDN?  \n");
    row("run refuses a file with a bad line", "-d /dev/fake run f.kx", {}, 2, {},
        QStringLiteral("kx-ctl: f.kx:2: frequency needs a unit: Hz, kHz, MHz") + usage,
        "set waveform square\nset frequency 2\n");
    row("run runs no other file", "-d /dev/fake run f.kx", {}, 2, {},
        QStringLiteral("kx-ctl: f.kx:1: a run file cannot run another") + usage, "run g.kx\n");
    row("run stops at a lost line, going on or not", "-d /dev/fake --keep-going run f.kx",
        Talk{{"FUNC SQU", ""}, {"FREQ?", line("1.00000E+3")}}, 3,
        lines({"waveform: square (sent; not read back: status asks for it)",
               "frequency: 1.00000 kHz"}),
        lines({"kx-ctl: f.kx:2: the connection to the generator was lost"}),
        "set waveform square\nset waveform ramp\nset waveform sine\n", kx::PortError::None, 3);
    const QByteArray twoLines = "set waveform square\nset waveform ramp\n";
    row("run: a CR inside a line", "-d /dev/fake run f.kx", {}, 2, {},
        QStringLiteral("kx-ctl: f.kx:1: a control character (<CR>) in the line") + usage,
        "set frequency 1\r5kHz\n");
    row("run: a send line with a tab is refused before the first line", "-d /dev/fake run f.kx", {},
        2, {}, QStringLiteral("kx-ctl: f.kx:2: a control character (<0x09>) in the line") + usage,
        "set waveform square\nsend FREQ\t5KHZ\n");
    row("run: an escape in a comment", "-d /dev/fake run f.kx", {}, 2, {},
        QStringLiteral("kx-ctl: f.kx:2: a control character (<0x1b>) in the line") + usage,
        "set waveform square\n# \x1b[2J\n");

    // Nothing more goes out once standard output is gone or a signal has come.
    row("standard output cannot be written", "-d /dev/fake run f.kx",
        {{"FUNC SQU", ""}, {"FREQ?", line("1.00000E+3")}}, 5, {},
        lines({"kx-ctl: standard output cannot be written: nothing more is sent"}), twoLines,
        kx::PortError::None, -1, Happens::OutputFails);
    row("--help with standard output gone", "--help", {}, 5, {},
        lines({"kx-ctl: standard output cannot be written: nothing more is sent"}), {},
        kx::PortError::None, -1, Happens::OutputFails);
    row("SIGTERM in the first pause", "-d /dev/fake run f.kx", {{"FUNC SQU", ""}}, 128 + SIGTERM,
        {}, lines({"kx-ctl: stopped by SIGTERM: nothing more is sent, the port is closed"}),
        twoLines, kx::PortError::None, -1, Happens::SigtermInFirstPause);
}

void CtlTest::command() {
    QFETCH(QStringList, args);
    QFETCH(QByteArray, file);
    QFETCH(Talk, talk);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(kx::PortError, refuseOpen);
    QFETCH(int, pullCableAfter);
    QFETCH(Happens, happens);
    QFETCH(QByteArray, waiting);
    Instrument in;
    in.port.disconnect(&in.link); // kx-ctl brings its own exchange
    in.port.inject(waiting);
    in.talk.expect(talk);
    in.port.refuseOpen = refuseOpen;
    in.port.pullCableAfterLines = pullCableAfter;
    QString printed, said;
    QTextStream outStream(&printed), errStream(&said);
    BrokenOutput broken;
    if (happens == Happens::OutputFails)
        outStream.setDevice(&broken);
    kxctl::Stop stop;
    if (happens == Happens::SigtermInFirstPause)
        in.clock.duringNextWait = [&] { stop.request(SIGTERM); };
    kxctl::Environment env{in.port, in.clock, outStream, errStream};
    env.read = [&](const QString&) { return std::optional<QByteArray>(file); };
    env.stop = &stop;
    QCOMPARE(kxctl::run(args, env), status);
    QCOMPARE(printed, out);
    QCOMPARE(said, err);
    QVERIFY(!in.port.isOpen());
}

// The limits of the connected model and waveform, as the checks hold them.
void CtlTest::limits() {
    Instrument in(QStringLiteral("KX12A"));
    in.port.disconnect(&in.link);
    in.talk.expect({{"*IDN?", line("KX12A")}, {"FUNC?", line("TRI")}});
    QString printed, said;
    QTextStream outStream(&printed), errStream(&said);
    kxctl::Environment env{in.port, in.clock, outStream, errStream};
    QCOMPARE(kxctl::run({"-d", "/dev/fake", "limits"}, env), 0);
    const QStringList shown = printed.split('\n');
    for (const char* expected : {
             "frequency: 0.01 to 1000000 Hz",
             "amplitude: 0.01 to 10 V, amplitude / 2 + |offset| at most 5 V",
             "duty: 1 to 99 %, up to 200000 Hz",
             "mod-shape: sine",
             "deviation: 0.01 to 1000000 Hz, only while the modulation is FM INT",
             "trigger-rate: 0.000001 to 10 s",
             "burst: 1 to 65535 cycles, up to 1000000 Hz",
             "memory: 1 to 9",
         })
        QVERIFY2(shown.contains(QLatin1String(expected)), expected);
    QCOMPARE(said, QString());
}

// A set-up saved by a run on the simulated generator: what was sent on the connection
// comes with it; written to standard output or to a file, or said when it cannot be.
void CtlTest::saveSetup_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("standard output") << "-" << true << 0 << QString() << QString();
    QTest::newRow("a file") << "s.kx" << true << 0 << "set-up written to s.kx\n" << QString();
    QTest::newRow("a file that cannot be written")
        << "s.kx" << false << 5 << QString()
        << "kx-ctl: f.kx:3: the set-up cannot be written to s.kx\n";
}

void CtlTest::saveSetup() {
    QFETCH(QString, target);
    QFETCH(bool, writable);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    Instrument in(QStringLiteral("KX20A"));
    in.port.disconnect(&in.link);
    in.talk.answerFromGenerator();
    QString printed, said;
    QTextStream outStream(&printed), errStream(&said);
    kxctl::Environment env{in.port, in.clock, outStream, errStream};
    const QByteArray file =
        "set waveform square\nset duty 30\nsave-setup " + target.toLatin1() + "\n";
    env.read = [&](const QString&) { return std::optional<QByteArray>(file); };
    QByteArray written;
    env.write = [&](const QString& name, const QByteArray& text) {
        written = text;
        return writable && name == target;
    };
    QCOMPARE(kxctl::run({"-d", "/dev/fake", "run", "f.kx"}, env), status);
    const QString reported = "waveform: square (sent; not read back: status asks for it)\n"
                             "frequency: 1.00000 kHz\n"
                             "duty: 30 % (sent; the generator does not report it)\n";
    const QStringList setup{"set waveform square",
                            "set frequency 1.00000kHz",
                            "set duty 30%  # sent, not read back",
                            "set amplitude 5.00000V",
                            "set offset 0.00000V",
                            "set trigger-mode continuous",
                            "set output off",
                            ""};
    const QString text = target == "-" ? printed.mid(reported.size()) : QString(written);
    QCOMPARE(printed.left(reported.size()), reported);
    if (target == "-")
        QVERIFY(text.startsWith(QLatin1String("# A set-up of the KX20A, read from it on ")));
    if (status == 0)
        QCOMPARE(text.split('\n').mid(2), setup);
    else
        QCOMPARE(printed, reported);
    if (target != "-")
        QCOMPARE(printed.mid(reported.size()), out);
    QCOMPARE(said, err);
    in.talk.checkNothingRejected();
}

QTEST_GUILESS_MAIN(CtlTest)
#include "tst_ctl.moc"
