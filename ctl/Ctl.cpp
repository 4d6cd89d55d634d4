#include "ctl/Ctl.h"

#include "ctl/Request.h"
#include "link/Exchange.h"
#include "link/Identify.h"
#include "link/LinkError.h"
#include "link/PortMap.h"
#include "link/SerialPort.h"
#include "link/Traffic.h"
#include "link/portDetect.h"
#include "state/Memory.h"
#include "state/Number.h"
#include "state/Profile.h"
#include "state/Refusals.h"
#include "state/Status.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTextStream>

#include <csignal>

namespace kxctl {

namespace {

// One result: a line for the operator and the same as a JSON object.
struct Item {
    QString human;
    QJsonObject json;
};

// How one command ended.
struct Outcome {
    int status = Done;
    QList<Item> items;
    QString message; // why it was refused or failed
    bool numbered = false;
    short code = 0;
    QString query; // the question that got no valid answer
};

struct Options {
    QString device;
    QString portName; // how the port is named to the operator
    bool json = false;
    bool keepGoing = false;
};

QString withUnit(const QString& value, const QString& unit) {
    return unit.isEmpty() ? value : value + QLatin1Char(' ') + unit;
}

// A value; `answer` is the generator's answer that confirms it, if one does.
Item item(const QString& name, const QString& value, const QString& unit = {},
          const std::optional<QString>& answer = std::nullopt) {
    QJsonObject json{{"name", name}, {"value", value}, {"confirmed", answer.has_value()}};
    if (!unit.isEmpty())
        json.insert(QStringLiteral("unit"), unit);
    if (answer)
        json.insert(QStringLiteral("answer"), *answer);
    return {name + QStringLiteral(": ") + withUnit(value, unit), json};
}

// A value that went to the generator as typed and that no answer confirms.
Item sentOnly(const Name& n, const QString& value, const QString& unit = {}) {
    Item i = item(QString::fromLatin1(n.name), value, unit);
    i.human += n.inStatus ? QStringLiteral(" (sent; not read back: status asks for it)")
                          : QStringLiteral(" (sent; the generator does not report it)");
    return i;
}

Outcome refusedBy(short code) {
    const kx::Refusal* r = kx::findRefusal(code);
    return {Refused, {}, QString::fromLatin1(r ? r->text : ""), true, code, {}};
}

Outcome refusedWith(const QString& text) { return {Refused, {}, text, false, 0, {}}; }

Outcome failed(int status, const QString& message, const QString& query = {}) {
    return {status, {}, message, false, 0, query};
}

const QString linkLost = QStringLiteral("the connection to the generator was lost");

// The result of an operation of the instrument layer; `done` adds what it read back.
Outcome outcomeOf(const kx::Result& r) {
    switch (r.kind) {
    case kx::Result::Kind::Done:
        break;
    case kx::Result::Kind::Refused:
        return refusedBy(r.code);
    case kx::Result::Kind::NoValidAnswer:
        return failed(NoAnswer, kx::noValidAnswer(r.query).message, r.query);
    case kx::Result::Kind::LinkLost:
        return failed(Link, linkLost);
    }
    return {};
}

// The word of `name` for what the generator reports; `otherwise` when it has none.
QString wordOf(const char* name, const std::optional<kx::Choice>& choice,
               const QString& otherwise = {}) {
    for (const Word& w : words(*findName(QString::fromLatin1(name)))) {
        if (choice && w.command == choice->command && w.option == choice->option)
            return w.word;
    }
    return otherwise;
}

class Session {
public:
    Session(Environment& env, const Options& options)
        : env_(env), options_(options), link_(env.port, env.clock) {
        link_.setTraffic(&traffic_);
        // A pause ends at once, and the exchange sends nothing more.
        if (env.stop)
            QObject::connect(env.stop, &Stop::requested, &link_, [this] { link_.shutdown(); });
    }
    ~Session() { link_.close(); }

    Outcome execute(const Request& r);
    // Every line sent for the command just executed.
    QStringList sent() const;

private:
    Outcome open();
    Outcome ports();
    Outcome identify();
    Outcome limits();
    Outcome set(const Request& r);
    Outcome memory(const Request& r);
    Outcome status();
    Outcome send(const QString& line);

    Environment& env_;
    const Options& options_;
    kx::Traffic traffic_;
    kx::Exchange link_;
    kx::modVariables vars_;
};

Outcome Session::open() {
    if (link_.isOpen())
        return {};
    if (link_.wasLost())
        return failed(Link, linkLost);
    if (options_.device.isEmpty())
        return failed(Usage, QStringLiteral("no port given: -p N or -d DEVICE"));
    if (link_.open(options_.device))
        return {};
    const QString port = options_.portName;
    switch (env_.port.openError()) {
    case kx::PortError::Busy:
        return failed(Link, QStringLiteral("%1 is in use by another program").arg(port));
    case kx::PortError::NoPermission:
        return failed(Link, QStringLiteral("you may not open %1: serial devices belong to the "
                                           "group dialout (sudo usermod -aG dialout $USER)")
                                .arg(port));
    default:
        if (!QFileInfo::exists(options_.device))
            return failed(Link, QStringLiteral("%1: no such device").arg(port));
        return failed(Link, QStringLiteral("%1 cannot be opened").arg(port));
    }
}

QStringList Session::sent() const {
    QStringList lines;
    for (const kx::Traffic::Entry& e : traffic_.entries()) {
        if (e.direction == kx::Traffic::Entry::Direction::Sent)
            lines << QString::fromLatin1(e.bytes.chopped(1));
    }
    return lines;
}

Outcome Session::execute(const Request& r) {
    traffic_.clear();
    if (r.verb == Verb::Ports)
        return ports();
    if (Outcome o = open(); o.status != Done)
        return o;
    // The model does not change while the port stays open.
    const kx::Facts needs = r.needs & (vars_.modelName.isEmpty() ? ~0u : ~kx::fact::model);
    if (Outcome o = outcomeOf(kx::learn(link_, vars_, needs)); o.status != Done)
        return o;
    switch (r.verb) {
    case Verb::Identify:
        return identify();
    case Verb::Status:
        return status();
    case Verb::Limits:
        return limits();
    case Verb::Set:
        return set(r);
    case Verb::Save:
    case Verb::Recall:
    case Verb::Factory:
        return memory(r);
    case Verb::Send:
        return send(r.typed);
    case Verb::Ports:
    case Verb::Run:
        break;
    }
    return {};
}

Outcome Session::ports() {
    const kx::PortMap map(env_.configDir);
    Outcome o;
    for (int n = kx::PortMap::firstPort; n <= kx::PortMap::lastPort; ++n) {
        if (env_.probe ? !env_.probe(n) : !kx::isPortAvailable(map, n))
            continue;
        o.items << Item{QStringLiteral("%1 = %2").arg(n).arg(map.device(n)),
                        QJsonObject{{"port", n}, {"device", map.device(n)}}};
    }
    if (o.items.isEmpty())
        return failed(Link, QStringLiteral("no port opens (1-4 are /dev/ttyS0-3, 5-12 "
                                           "/dev/ttyUSB0-7, 13-16 /dev/ttyACM0-3, unless a "
                                           "link comN in %1 names another device)")
                                .arg(map.linkFolder()));
    return o;
}

Outcome Session::identify() {
    kx::Identity id;
    const kx::Result r = kx::guarded([&] {
        id = kx::identify(link_);
        return id.answered ? kx::Result{} : kx::Result::noAnswer(QStringLiteral("*IDN?"));
    });
    if (r.kind != kx::Result::Kind::Done)
        return outcomeOf(r);
    Outcome o;
    o.items << Item{id.line, QJsonObject{{"answer", id.line}, {"model", id.model}}};
    if (id.model.isEmpty()) {
        o.status = NoAnswer;
        o.message =
            QStringLiteral("The generator's answer to *IDN? names no KX model: %1").arg(id.line);
        o.query = QStringLiteral("*IDN?");
    }
    vars_.modelName = id.model;
    return o;
}

Outcome Session::status() {
    const kx::Status s = kx::readStatus(link_, vars_);
    Outcome o;
    const auto add = [&](const char* name, const char* query, const QString& value,
                         const QString& unit = {}, const QString& answer = {}) {
        const QString q = QString::fromLatin1(query);
        Item i = item(QString::fromLatin1(name), value, unit, s.answers.value(q, answer));
        i.json.insert(QStringLiteral("sent"), QJsonArray{q});
        o.items << i;
    };
    if (s.waveform)
        add("waveform", "FUNC?", QString::fromLatin1(s.waveform->shape));
    if (s.frequency)
        add("frequency", "FREQ?", s.frequency->value, s.frequency->unit);
    if (s.amplitude)
        add("amplitude", "AMPL?", s.amplitude->value, QStringLiteral("V"));
    if (s.offset)
        add("offset", "OFFS?", s.offset->value, QStringLiteral("V"));
    if (s.mode)
        add("trigger-mode", "MODE?", wordOf("trigger-mode", s.modeChoice, *s.mode));
    if (s.sweep)
        add("sweep", "SWE?", wordOf("sweep", s.sweep));
    if (s.modulation)
        add("modulation", "MODUL?", wordOf("modulation", s.modulation));
    if (s.output)
        add("output", "OUT?", *s.output ? QStringLiteral("on") : QStringLiteral("off"));
    Outcome f = outcomeOf(s.result);
    f.items = o.items;
    return f;
}

Outcome Session::limits() {
    const kx::ModelProfile* profile = kx::findModel(vars_.modelName);
    if (!profile)
        return failed(NoAnswer,
                      QStringLiteral("no limits are known for the model %1").arg(vars_.modelName));
    Outcome o;
    const auto range = [&](const QString& name, double lowest, double highest, const QString& unit,
                           const QString& note = {}) {
        QString human =
            QStringLiteral("%1: %2 to %3")
                .arg(name, kx::plainText(lowest), withUnit(kx::plainText(highest), unit));
        QJsonObject json{{"name", name}, {"lowest", lowest}, {"highest", highest}, {"unit", unit}};
        if (!note.isEmpty()) {
            human += QStringLiteral(", ") + note;
            json.insert(QStringLiteral("note"), note);
        }
        o.items << Item{human, json};
    };
    const auto choices = [&](const QString& name, const QStringList& all) {
        o.items << Item{name + QStringLiteral(": ") +
                            (all.isEmpty() ? QStringLiteral("none for the %1").arg(vars_.waveShape)
                                           : all.join(QStringLiteral(", "))),
                        QJsonObject{{"name", name}, {"words", QJsonArray::fromStringList(all)}}};
    };
    for (const Name& n : names()) {
        const QString name = QString::fromLatin1(n.name);
        switch (n.kind) {
        case Kind::Value:
            if (const kx::Setting* s = kx::findSetting(name)) {
                const kx::Range r = s->limits.from ? s->limits.from(vars_) : s->limits.fixed;
                QString note;
                if (s->rule.code == 8)
                    note = QStringLiteral("amplitude / 2 + |offset| at most 5 V");
                else if (s->asks.query)
                    note = QStringLiteral("only while the modulation is %1")
                               .arg(QLatin1String(s->asks.expected));
                // In the base unit, the one of factor 1.
                const auto base = std::find_if(s->units.begin(), s->units.end(),
                                               [](const kx::Unit& u) { return u.factor == 1; });
                range(name, r.lowest, r.highest, QString::fromLatin1(base->name), note);
            }
            break;
        case Kind::Duty:
            if (const kx::DutyLimits* d = kx::dutyLimits(vars_.waveShape))
                range(name, d->percent.lowest, d->percent.highest, QStringLiteral("%"),
                      QStringLiteral("up to %1 Hz").arg(kx::plainText(d->highestFrequencyHz)));
            else
                choices(name, {});
            break;
        case Kind::Burst:
            range(name, kx::burstCycles.lowest, kx::burstCycles.highest, QStringLiteral("cycles"),
                  QStringLiteral("up to %1 Hz").arg(kx::plainText(kx::highestBurstFrequencyHz)));
            break;
        case Kind::Choice:
        case Kind::Waveform:
        case Kind::Output: {
            QStringList all;
            for (const Word& w : words(n)) {
                if (w.command != &kx::commands::modulationShape ||
                    w.option < int(profile->modulationShapes.size()))
                    all << w.word;
            }
            choices(name, all);
            break;
        }
        }
    }
    range(QStringLiteral("memory"), 1, profile->highestMemory, {});
    return o;
}

Outcome Session::set(const Request& r) {
    const QString name = QString::fromLatin1(r.name->name);
    Outcome o;
    switch (r.name->kind) {
    case Kind::Value: {
        const kx::Setting& s = *r.setting;
        const kx::Result res = kx::apply(link_, vars_, s, *r.unit, r.typed);
        o = outcomeOf(res);
        if (o.status == Done && s.readBack.query) {
            const bool level = s.readBack.decoding == kx::Decoding::Level;
            o.items << item(name, res.answer.value, level ? QStringLiteral("V") : res.answer.unit,
                            res.answer.reply);
        } else if (o.status == Done) {
            o.items << sentOnly(*r.name, r.typed, QString::fromLatin1(r.unit->name));
        }
        return o;
    }
    case Kind::Duty:
        o = outcomeOf(kx::setDuty(link_, vars_, r.typed));
        if (o.status == Done)
            o.items << sentOnly(*r.name, r.typed, QStringLiteral("%"));
        return o;
    case Kind::Burst:
        o = outcomeOf(kx::checkBurst(vars_, r.typed));
        if (o.status == Done) {
            o.items << item(name, r.typed, QStringLiteral("cycles"));
            o.items.last().human += QStringLiteral(" (checked only: the generator takes no line)");
        }
        return o;
    case Kind::Choice:
    case Kind::Waveform:
    case Kind::Output:
        break;
    }
    const Word w = words(*r.name).at(r.word);
    if (r.name->kind == Kind::Waveform) {
        // The generator brings the frequency down to what the new waveform allows.
        const kx::Result res = kx::selectWaveform(link_, vars_, kx::waveforms[w.option]);
        o = outcomeOf(res);
        if (o.status == Done)
            o.items << sentOnly(*r.name, w.word)
                    << item(QStringLiteral("frequency"), res.answer.value, res.answer.unit,
                            res.answer.reply);
        return o;
    } else if (r.name->kind == Kind::Output) {
        const kx::Result res = kx::switchOutput(link_, w.option == 1);
        o = outcomeOf(res);
        if (o.status == Done)
            o.items << item(name,
                            res.answer.value == QLatin1String("1") ? QStringLiteral("on")
                                                                   : QStringLiteral("off"),
                            {}, res.answer.reply);
        return o;
    } else {
        // The panel's list offers the connected model's shapes only.
        const kx::ModelProfile* profile = kx::findModel(vars_.modelName);
        if (w.command == &kx::commands::modulationShape &&
            (!profile || w.option >= int(profile->modulationShapes.size())))
            return refusedWith(
                QStringLiteral("The %1 has no %2 modulating shape.").arg(vars_.modelName, w.word));
        o = outcomeOf(kx::choose(link_, vars_, *w.command, w.option));
    }
    if (o.status == Done)
        o.items << sentOnly(*r.name, w.word);
    return o;
}

Outcome Session::memory(const Request& r) {
    const kx::Store what = r.verb == Verb::Save     ? kx::Store::Save
                           : r.verb == Verb::Recall ? kx::Store::Recall
                                                    : kx::Store::Factory;
    int location = 0;
    if (what != kx::Store::Factory) {
        const kx::MemoryLocation m = kx::checkMemoryLocation(vars_.modelName, r.typed);
        if (!m.location)
            return refusedWith(m.problem);
        location = *m.location;
    }
    if (Outcome o = outcomeOf(kx::store(link_, what, location)); o.status != Done)
        return o;
    Outcome o = status();
    // The location as the line carried it.
    const QString verb = r.text.section(QLatin1Char(' '), 0, 0);
    const QString sent = QString::number(location);
    o.items.prepend(Item{what == kx::Store::Factory ? QStringLiteral("factory set-up recalled")
                                                    : verb + QStringLiteral(": ") + sent,
                         QJsonObject{{"name", verb}, {"value", sent}, {"confirmed", false}}});
    return o;
}

Outcome Session::send(const QString& line) {
    QString answer;
    const kx::Result r = kx::guarded([&] {
        if (line.endsWith(QLatin1Char('?')))
            answer = kx::trimBlanks(kx::firstLine(kx::ask(link_, line)));
        else
            link_.processEcho(line);
        return kx::Result{};
    });
    Outcome o = outcomeOf(r);
    if (o.status != Done)
        return o;
    if (line.endsWith(QLatin1Char('?')))
        o.items << Item{answer, QJsonObject{{"answer", answer}}};
    else
        o.items << Item{QStringLiteral("sent: ") + line, QJsonObject{}};
    return o;
}

// Text for a terminal: control characters and bytes outside printable ASCII are shown as
// the traffic view shows them (<CR>, <0x1b>), so that nothing typed or answered can move
// the cursor or clear the screen.
// A generator's answer is read as Latin-1, so a character up to 0xff is shown as the byte
// it came as; one beyond (typed on the command line) as its UTF-8 bytes.
QString visible(const QString& text) {
    QByteArray bytes;
    for (const char32_t c : text.toUcs4()) {
        if (c < 0x100)
            bytes += static_cast<char>(c);
        else
            bytes += QString::fromUcs4(&c, 1).toUtf8();
    }
    return kx::Traffic::visible(bytes);
}

// Writes what a command gave: its results, then why it was refused or failed.
void report(Environment& env, const Options& options, const QString& where, const QString& command,
            const QStringList& sent, const Outcome& o) {
    const auto json = [&](QJsonObject object) {
        object.insert(QStringLiteral("command"), command);
        if (!object.contains(QStringLiteral("sent")))
            object.insert(QStringLiteral("sent"), QJsonArray::fromStringList(sent));
        env.out << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
    };
    for (const Item& i : o.items) {
        if (options.json)
            json(i.json);
        else
            env.out << visible(i.human) << '\n';
    }
    if (o.status == Refused) {
        const QString number =
            o.numbered ? QStringLiteral("refused (%1): ").arg(o.code) : QStringLiteral("refused: ");
        env.err << "kx-ctl: " << visible(where + number + o.message) << '\n';
        if (options.json)
            json({{"refused", QJsonObject{{"code", o.numbered ? QJsonValue(o.code) : QJsonValue()},
                                          {"text", o.message}}}});
    } else if (o.status != Done) {
        env.err << "kx-ctl: " << visible(where + o.message) << '\n';
        if (options.json) {
            QJsonObject error{{"error", o.status == Link ? "link" : "no valid answer"},
                              {"text", o.message}};
            if (!o.query.isEmpty())
                error.insert(QStringLiteral("query"), o.query);
            json(error);
        }
    }
    // A run's results show as they come, pauses and all.
    env.out.flush();
    env.err.flush();
}

int usage(Environment& env, const QString& message) {
    env.err << "kx-ctl: " << visible(message) << "\nTry kx-ctl --help.\n";
    env.err.flush();
    return Usage;
}

// What was written to standard output has gone, or kx-ctl ends with Output.
int written(Environment& env, int status) {
    env.out.flush();
    if (env.out.status() == QTextStream::Ok)
        return status;
    env.err << "kx-ctl: standard output cannot be written: nothing more is sent\n";
    env.err.flush();
    return Output;
}

// The signal that asked kx-ctl to stop, 0 for none.
int stopSignal(const Environment& env) { return env.stop ? env.stop->signal() : 0; }

int stopped(Environment& env) {
    const int signal = stopSignal(env);
    constexpr std::pair<int, const char*> names[] = {
        {SIGINT, "SIGINT"}, {SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"}};
    QString name = QStringLiteral("signal %1").arg(signal);
    for (const auto& [n, text] : names) {
        if (n == signal)
            name = QLatin1String(text);
    }
    env.err << "kx-ctl: stopped by " << name << ": nothing more is sent, the port is closed\n";
    env.err.flush();
    return Signalled + signal;
}

// The commands of a run file, every line checked before anything is sent.
struct Line {
    int number;
    Request request;
};

std::optional<QList<Line>> readRun(Environment& env, const QString& file, QString* error) {
    const std::optional<QByteArray> text = env.read ? env.read(file) : std::nullopt;
    if (!text) {
        *error = QStringLiteral("cannot read %1").arg(file);
        return std::nullopt;
    }
    static const QRegularExpression comment(QStringLiteral("(^| )#.*$"));
    QList<Line> lines;
    const QList<QByteArray> all = text->split('\n');
    for (qsizetype i = 0; i < all.size(); ++i) {
        const QString where = QStringLiteral("%1:%2: ").arg(file).arg(i + 1);
        QByteArray bytes = all[i];
        // A CR before the LF ends the line as the LF does.
        if (bytes.endsWith('\r'))
            bytes.chop(1);
        const auto control = std::find_if(bytes.begin(), bytes.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
        });
        if (control != bytes.end()) {
            *error = where + QStringLiteral("a control character (%1) in the line")
                                 .arg(kx::Traffic::visible(QByteArray(1, *control)));
            return std::nullopt;
        }
        QString line = QString::fromUtf8(bytes);
        line.remove(comment);
        const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        QString why;
        std::optional<Request> r =
            parse(words, &why,
                  words.first() == QLatin1String("send") ? kx::trimBlanks(line).mid(4).trimmed()
                                                         : QString());
        if (r && r->verb == Verb::Run)
            why = QStringLiteral("a run file cannot run another");
        if (!why.isEmpty()) {
            *error = where + why;
            return std::nullopt;
        }
        lines << Line{int(i + 1), *r};
    }
    return lines;
}

// Carries out `lines` in order, reporting each, and returns the exit status.
int execute(Environment& env, const Options& options, const QList<Line>& lines,
            const QString& file) {
    Session session(env, options);
    int status = Done;
    for (const Line& l : lines) {
        if (stopSignal(env))
            break;
        Outcome o;
        try {
            o = session.execute(l.request);
        } catch (const kx::ShuttingDown&) {
            break;
        }
        const QString where =
            l.number ? QStringLiteral("%1:%2: ").arg(file).arg(l.number) : QString();
        report(env, options, where, l.request.text, session.sent(), o);
        if (env.out.status() != QTextStream::Ok)
            return Output;
        if (o.status == Done)
            continue;
        if (status == Done)
            status = o.status;
        if (!options.keepGoing || o.status == Link)
            break;
    }
    return status;
}

} // namespace

int run(const QStringList& arguments, Environment& env) {
    Options options;
    QStringList command;
    QString port;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (!command.isEmpty()) {
            command << a;
        } else if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            env.out << help();
            return written(env, Done);
        } else if (a == QLatin1String("--version")) {
            env.out << "kx-ctl " KX_VERSION "\n";
            return written(env, Done);
        } else if (a == QLatin1String("--json")) {
            options.json = true;
        } else if (a == QLatin1String("--keep-going")) {
            options.keepGoing = true;
        } else if (a == QLatin1String("-p") || a == QLatin1String("-d")) {
            if (i + 1 >= arguments.size())
                return usage(env, QStringLiteral("%1 needs a value").arg(a));
            if (!port.isEmpty())
                return usage(env, QStringLiteral("give one port: -p N or -d DEVICE"));
            port = a + QLatin1Char(' ') + arguments[++i];
        } else if (a.startsWith(QLatin1Char('-'))) {
            return usage(env, QStringLiteral("unknown option %1").arg(a));
        } else {
            command << a;
        }
    }
    if (port.startsWith(QLatin1String("-p"))) {
        const QString number = port.mid(3);
        bool ok = false;
        const int n = number.toInt(&ok);
        if (!ok || n < kx::PortMap::firstPort || n > kx::PortMap::lastPort ||
            number != QString::number(n))
            return usage(env,
                         QStringLiteral("the port is a number from 1 to 16, not %1").arg(number));
        options.device = kx::PortMap(env.configDir).device(n);
        options.portName = QStringLiteral("port %1 (%2)").arg(n).arg(options.device);
    } else if (!port.isEmpty()) {
        options.device = port.mid(3);
        options.portName = options.device;
    }

    QString error;
    const std::optional<Request> request = parse(command, &error);
    if (!request)
        return usage(env, error);
    QList<Line> lines{{0, *request}};
    QString file;
    if (request->verb == Verb::Run) {
        file = request->typed;
        const auto read = readRun(env, file, &error);
        if (stopSignal(env))
            return stopped(env);
        if (!read)
            return usage(env, error);
        lines = *read;
    }
    for (const Line& l : lines) {
        if (l.request.needsPort && options.device.isEmpty())
            return usage(env, QStringLiteral("no port given: -p N or -d DEVICE"));
    }

    // The port is closed by the time either is said.
    const int status = execute(env, options, lines, file);
    if (stopSignal(env))
        return stopped(env);
    return written(env, status);
}

} // namespace kxctl
