#include "ctl/Session.h"

#include "link/Identify.h"
#include "link/LinkError.h"
#include "link/PortMap.h"
#include "link/SerialPort.h"
#include "link/portDetect.h"
#include "state/Memory.h"
#include "state/Number.h"
#include "state/Profile.h"
#include "state/Refusals.h"
#include "state/Setup.h"
#include "state/Status.h"

#include <QDateTime>
#include <QJsonArray>

namespace kxctl {

namespace {

QString withUnit(const QString& value, const QString& unit) {
    return unit.isEmpty() ? value : value + QLatin1Char(' ') + unit;
}

// A value; `answer` is the generator's answer that confirms it, if one does. `remark`
// follows it on the operator's line.
Item item(const QString& name, const QString& value, const QString& unit = {},
          const std::optional<QString>& answer = std::nullopt, const QString& remark = {}) {
    QJsonObject json{{"name", name}, {"value", value}, {"confirmed", answer.has_value()}};
    if (!unit.isEmpty())
        json.insert(QStringLiteral("unit"), unit);
    if (answer)
        json.insert(QStringLiteral("answer"), *answer);
    return {name + QStringLiteral(": ") + withUnit(value, unit) + remark, json};
}

// A value that went to the generator as typed and that no answer confirms.
Item sentOnly(const kx::Name& n, const QString& value, const QString& unit = {}) {
    return item(QString::fromLatin1(n.name), value, unit, std::nullopt,
                n.inStatus ? QStringLiteral(" (sent; not read back: status asks for it)")
                           : QStringLiteral(" (sent; the generator does not report it)"));
}

Outcome failed(int status, const QString& message, const QString& query = {}) {
    return {status, {}, message, std::nullopt, query};
}

const QString linkLost = QString::fromLatin1(kx::port::lost.line);

// The result of an operation of the instrument layer, with `items` once it is done.
Outcome outcomeOf(const kx::Result& r, const QList<Item>& items = {}) {
    switch (r.kind) {
    case kx::Result::Kind::Done:
        break;
    case kx::Result::Kind::Refused: {
        // A refusal without a number says why in words of its own.
        if (!r.code)
            return failed(Refused, r.problem);
        const kx::Refusal* refusal = kx::findRefusal(r.code);
        return {Refused, {}, QString::fromLatin1(refusal ? refusal->text : ""), r.code, {}};
    }
    case kx::Result::Kind::NoValidAnswer:
        return failed(NoAnswer, kx::noValidAnswer(r.query).message, r.query);
    case kx::Result::Kind::LinkLost:
        return failed(Link, linkLost);
    }
    return {Done, items, {}, std::nullopt, {}};
}

} // namespace

Session::Session(Environment& env, const Options& options)
    : env_(env), options_(options), link_(env.port, env.clock) {
    link_.setTraffic(&traffic_);
    // A pause ends at once, and the exchange sends nothing more.
    if (env.stop)
        QObject::connect(env.stop, &Stop::requested, &link_, [this] { link_.shutdown(); });
}

Session::~Session() { link_.close(); }

QStringList Session::sent() const {
    QStringList lines;
    for (const kx::Traffic::Entry& e : traffic_.entries()) {
        if (e.direction == kx::Traffic::Entry::Direction::Sent)
            lines << QString::fromLatin1(e.bytes.chopped(1));
    }
    return lines;
}

// The port opens for the first command that needs it; a line once lost stays closed.
Outcome Session::open() {
    if (!link_.isOpen() && link_.wasLost())
        return failed(Link, linkLost);
    if (!link_.isOpen() && !link_.open(options_.device))
        return failed(
            Link, kx::openRefusal(env_.port.openError(), options_.device).about(options_.portName));
    return {};
}

Outcome Session::check(QList<kx::RequestLine>& lines, QList<std::pair<int, Outcome>>* refused) {
    kx::Facts needs = 0;
    for (const kx::RequestLine& l : lines)
        needs |= l.request.verb == kx::Verb::Set ? l.request.needs : 0;
    if (!needs)
        return {};
    traffic_.clear();
    if (Outcome o = open(); o.status != Done)
        return o;
    if (Outcome o = outcomeOf(kx::learn(link_, vars_, needs)); o.status != Done)
        return o;
    learned_ = true;
    for (const kx::RefusedLine& r : kx::checkRunFile(lines, vars_))
        *refused << std::pair{r.number, outcomeOf(r.result)};
    return {};
}

Outcome Session::execute(const kx::Request& r) {
    traffic_.clear();
    if (r.verb == kx::Verb::Ports)
        return ports();
    if (Outcome o = open(); o.status != Done)
        return o;
    // The model does not change while the port stays open; nothing else has changed
    // since a run file's check learned it.
    const kx::Facts needs = std::exchange(learned_, false)
                                ? 0
                                : r.needs & (vars_.modelName.isEmpty() ? ~0u : ~kx::fact::model);
    if (Outcome o = outcomeOf(kx::learn(link_, vars_, needs)); o.status != Done)
        return o;
    switch (r.verb) {
    case kx::Verb::Identify:
        return identify();
    case kx::Verb::Status:
        return status();
    case kx::Verb::Limits:
        return limits();
    case kx::Verb::Set:
        return set(r);
    case kx::Verb::Save:
    case kx::Verb::Recall:
    case kx::Verb::Factory:
        return memory(r);
    case kx::Verb::Send:
        return send(r.typed);
    case kx::Verb::SaveSetup:
        return saveSetup(r.typed);
    case kx::Verb::Ports:
    case kx::Verb::Run:
        break;
    }
    return {};
}

Outcome Session::ports() {
    const kx::PortMap map(env_.configDir);
    Outcome o;
    for (int n = kx::PortMap::firstPort; n <= kx::PortMap::lastPort; ++n) {
        if (env_.probe ? env_.probe(n) : kx::isPortAvailable(map, n))
            o.items << Item{QStringLiteral("%1 = %2").arg(n).arg(map.device(n)),
                            QJsonObject{{"port", n}, {"device", map.device(n)}}};
    }
    if (o.items.isEmpty())
        return failed(Link,
                      QStringLiteral("%1 (%2)").arg(kx::port::noPorts.line, map.whereToLook()));
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
    vars_.modelName = id.model;
    Outcome o = id.model.isEmpty()
                    ? failed(NoAnswer,
                             QStringLiteral("The generator's answer to *IDN? names no KX model: %1")
                                 .arg(id.line),
                             QStringLiteral("*IDN?"))
                    : Outcome{};
    o.items << Item{id.line, QJsonObject{{"answer", id.line}, {"model", id.model}}};
    return o;
}

Outcome Session::status() {
    const kx::Status s = kx::readStatus(link_, vars_);
    // What was read is shown even when a question got no valid answer.
    Outcome o = outcomeOf(s.result);
    const auto add = [&](const QString& name, const QString& query, const QString& value,
                         const QString& unit = {}) {
        Item i = item(name, value, unit, s.answers.value(query));
        i.json.insert(QStringLiteral("sent"), QJsonArray{query});
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
        add("trigger-mode", "MODE?", kx::wordOf("trigger-mode", s.modeChoice, *s.mode));
    if (s.sweep)
        add("sweep", "SWE?", kx::wordOf("sweep", s.sweep));
    if (s.modulation)
        add("modulation", "MODUL?", kx::wordOf("modulation", s.modulation));
    if (s.output)
        add("output", "OUT?", *s.output ? QStringLiteral("on") : QStringLiteral("off"));
    return o;
}

Outcome Session::limits() {
    const kx::ModelProfile* profile = kx::findModel(vars_.modelName);
    if (!profile)
        return failed(NoAnswer,
                      QStringLiteral("no limits are known for the model %1").arg(vars_.modelName));
    Outcome o;
    const auto range = [&](const QString& name, kx::Range r, const QString& unit,
                           const QString& note = {}) {
        Item i{QStringLiteral("%1: %2 to %3")
                   .arg(name, kx::plainText(r.lowest), withUnit(kx::plainText(r.highest), unit)),
               {{"name", name}, {"lowest", r.lowest}, {"highest", r.highest}, {"unit", unit}}};
        if (!note.isEmpty()) {
            i.human += QStringLiteral(", ") + note;
            i.json.insert(QStringLiteral("note"), note);
        }
        o.items << i;
    };
    const auto choices = [&](const QString& name, const QStringList& all) {
        o.items << Item{name + QStringLiteral(": ") +
                            (all.isEmpty() ? QStringLiteral("none for the %1").arg(vars_.waveShape)
                                           : all.join(QStringLiteral(", "))),
                        QJsonObject{{"name", name}, {"words", QJsonArray::fromStringList(all)}}};
    };
    for (const kx::Name& n : kx::names()) {
        const QString name = QString::fromLatin1(n.name);
        if (n.kind == kx::Kind::Value) {
            const kx::Setting& s = *n.setting;
            QString note;
            if (s.rule.code == 8)
                note = QStringLiteral("amplitude / 2 + |offset| at most 5 V");
            else if (s.asks.query)
                note = QStringLiteral("only while the modulation is %1")
                           .arg(QLatin1String(s.asks.expected));
            // In the base unit, the one of factor 1.
            const auto base = std::find_if(s.units.begin(), s.units.end(),
                                           [](const kx::Unit& u) { return u.factor == 1; });
            range(name, s.limits.from ? s.limits.from(vars_) : s.limits.fixed,
                  QString::fromLatin1(base->name), note);
        } else if (n.kind == kx::Kind::Duty) {
            if (const kx::DutyLimits* d = kx::dutyLimits(vars_.waveShape))
                range(name, d->percent, QStringLiteral("%"),
                      QStringLiteral("up to %1 Hz").arg(kx::plainText(d->highestFrequencyHz)));
            else
                choices(name, {});
        } else if (n.kind == kx::Kind::Burst) {
            range(name, kx::burstCycles, QStringLiteral("cycles"),
                  QStringLiteral("up to %1 Hz").arg(kx::plainText(kx::highestBurstFrequencyHz)));
        } else { // Choice, Waveform, Output
            QStringList all;
            for (const kx::Word& w : kx::words(n)) {
                if (kx::offered(vars_.modelName, w))
                    all << w.word;
            }
            choices(name, all);
        }
    }
    range(QStringLiteral("memory"), {1, double(profile->highestMemory)}, {});
    return o;
}

Outcome Session::set(const kx::Request& r) {
    const QString name = QString::fromLatin1(r.name->name);
    const kx::Word& w = r.word;
    const kx::Result res = kx::carryOut(link_, vars_, r);
    switch (r.name->kind) {
    case kx::Kind::Value: {
        const kx::Setting& s = *r.name->setting;
        if (!s.readBack.query)
            return outcomeOf(res, {sentOnly(*r.name, r.typed, QString::fromLatin1(r.unit->name))});
        const bool level = s.readBack.decoding == kx::Decoding::Level;
        return outcomeOf(res,
                         {item(name, res.answer.value,
                               level ? QStringLiteral("V") : res.answer.unit, res.answer.reply)});
    }
    case kx::Kind::Duty:
        return outcomeOf(res, {sentOnly(*r.name, r.typed, QStringLiteral("%"))});
    case kx::Kind::Burst:
        return outcomeOf(res,
                         {item(name, r.typed, QStringLiteral("cycles"), std::nullopt,
                               QStringLiteral(" (checked only: the generator takes no line)"))});
    case kx::Kind::Waveform: {
        // The generator brings the frequency down to what the new waveform allows.
        return outcomeOf(
            res, {sentOnly(*r.name, w.word), item(QStringLiteral("frequency"), res.answer.value,
                                                  res.answer.unit, res.answer.reply)});
    }
    case kx::Kind::Output: {
        const bool on = res.answer.value == QLatin1String("1");
        return outcomeOf(res, {item(name, on ? QStringLiteral("on") : QStringLiteral("off"), {},
                                    res.answer.reply)});
    }
    case kx::Kind::Choice:
        break;
    }
    return outcomeOf(res, {sentOnly(*r.name, w.word)});
}

Outcome Session::memory(const kx::Request& r) {
    if (Outcome o = outcomeOf(kx::carryOut(link_, vars_, r)); o.status != Done)
        return o;
    Outcome o = status();
    // Named by the line's first word; the location as it was sent.
    const int location = kx::checkMemoryLocation(vars_.modelName, r.typed).location.value_or(0);
    Item stored = item(r.text.section(QLatin1Char(' '), 0, 0), QString::number(location));
    if (r.verb == kx::Verb::Factory)
        stored.human = QStringLiteral("factory set-up recalled");
    o.items.prepend(stored);
    return o;
}

Outcome Session::saveSetup(const QString& file) {
    const kx::SetupReading reading = kx::readSetup(link_, vars_);
    if (Outcome o = outcomeOf(reading.result); o.status != Done)
        return o;
    const QString text =
        kx::writeSetup(reading, vars_, QStringLiteral("kx-ctl"), QDateTime::currentDateTime());
    if (file == QLatin1String("-"))
        return outcomeOf({}, {Item{text.chopped(1), QJsonObject{{"setup", text}}, true}});
    if (!env_.write || !env_.write(file, text.toUtf8()))
        return failed(Output, QStringLiteral("the set-up cannot be written to %1").arg(file));
    return outcomeOf(
        {}, {Item{QStringLiteral("set-up written to %1").arg(file), QJsonObject{{"file", file}}}});
}

Outcome Session::send(const QString& line) {
    const bool query = line.endsWith(QLatin1Char('?'));
    QString answer;
    const kx::Result r = kx::guarded([&] {
        if (query)
            answer = kx::trimBlanks(kx::firstLine(kx::ask(link_, line)));
        else
            link_.processEcho(line);
        return kx::Result{};
    });
    return outcomeOf(r, {query ? Item{answer, QJsonObject{{"answer", answer}}}
                               : Item{QStringLiteral("sent: ") + line, QJsonObject{}}});
}

} // namespace kxctl
